// What the hand-over gives the dropped items to, one call at a time. The agent side
// implements it; the drop side knows nothing more of the agent. No windows.h here.
#pragma once

#include <string>
#include <vector>

#include "drop/UploadItem.h"

// What became of an item given to AddFile.
enum class AddResult {
    Handled,    // uploaded, held for the sign-in, or refused with a message
    NoAgent,    // no agent could be reached; the user has been told
    AgentGone,  // the agent's process went away before it took the item
    Behind,     // items held before it went ahead meanwhile: it goes after them
    Later,      // its size is still being read: asked again in a moment
    // The agent could not be asked (a call rejected, or failed for no reason that says
    // anything about the sign-in): asked again at the next slice.
    NotAsked,
    Refused,    // the agent failed to take it: the user is told, with the batch's others
};

// Whether the items of a drop may go on.
enum class BeginResult {
    Go,
    Stop,     // the user cancelled the Sign In dialog
    NoAgent,  // no agent answers; the user has been told, and the items wait for one
    NotAsked,  // the sign-in could not be asked about: asked again at the next slice
};

class ItemReceiver {
public:
    // Before the items of a drop.
    virtual BeginResult BeginFiles() = 0;
    virtual AddResult AddFile(const UploadItem& item) = 0;
    // Keeps an item, or the Locker request, for the next sign-in or the next drop.
    virtual void HoldForSignIn(const UploadItem& item) = 0;
    virtual void HoldLockerForSignIn() = 0;
    // Opens the Locker for a request that waited for the sign-in.
    virtual void OpenHeldLocker() = 0;
    // The agent's process went away twice in a row and what was not handed over is held:
    // the user is told once.
    virtual void ReportAgentStopped() = 0;
    // A step of the hand-over failed (out of memory, say): the user is told.
    virtual void ReportStepFailed() = 0;
    // Items of one batch the agent did not take: the user is told once, with their names.
    virtual void ReportRefused(const std::vector<std::wstring>& items) = 0;

protected:
    ~ItemReceiver() = default;
};

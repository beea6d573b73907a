// How dropped items reach the agent: upload now when signed in, otherwise ask for a
// sign-in and hold them until the agent reports it done. Nothing overtakes a held item.
#pragma once

#include <string>
#include <vector>

#include "agent/UploadItem.h"

class AgentHost;

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

class FileReceiver {
public:
    explicit FileReceiver(AgentHost& host) : host_(host) {}
    FileReceiver(const FileReceiver&) = delete;
    FileReceiver& operator=(const FileReceiver&) = delete;
    virtual ~FileReceiver() = default;

    // Before the items of a drop. Signed in, what was held goes first. An agent that has gone
    // is never taken for a sign-out: a new one is asked once.
    virtual BeginResult BeginFiles();
    virtual AddResult AddFile(const UploadItem& item);
    // Keeps an item, or the Locker request, for the next sign-in or the next drop.
    void HoldForSignIn(const UploadItem& item);
    void HoldLockerForSignIn();
    // Opens the Locker for a request that waited for the sign-in.
    virtual void OpenHeldLocker();
    // The agent's process went away twice in a row and what was not handed over is held:
    // the user is told once.
    virtual void ReportAgentStopped();
    // A step of the hand-over failed (out of memory, say): the user is told.
    virtual void ReportStepFailed();
    // Items of one batch the agent did not take: the user is told once, with their names.
    virtual void ReportRefused(const std::vector<std::wstring>& items);

    // The sign-in succeeded: store its credentials, and hand what waited for it over first.
    void ReplayDeferred();
    bool ShowSignInDialog();
    // A sign-in request from the Sign In dialog (signOutFirst) or the automatic sign-in.
    // The credentials are recorded before the agent is called, so a success reported
    // while the call is still running stores the credentials of this request.
    void RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn, bool signOutFirst);

private:
    void HandOverHeldFirst();

    AgentHost& host_;
};

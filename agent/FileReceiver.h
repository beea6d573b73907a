// How dropped items reach the agent: upload now when signed in, otherwise ask for a
// sign-in and hold them until the agent reports it done.
#pragma once

#include <string>

#include "agent/UploadItem.h"

class AgentHost;

// What became of an item given to AddFile.
enum class AddResult {
    Handled,    // uploaded, held for the sign-in, or refused with a message
    NoAgent,    // no agent could be reached; the user has been told
    AgentGone,  // the agent's process went away before it took the item
};

class FileReceiver {
public:
    explicit FileReceiver(AgentHost& host) : host_(host) {}
    FileReceiver(const FileReceiver&) = delete;
    FileReceiver& operator=(const FileReceiver&) = delete;
    virtual ~FileReceiver() = default;

    // 1 to hand the items of a drop over, 0 to stop (no agent, or the user cancelled).
    virtual long BeginFiles();
    virtual AddResult AddFile(const UploadItem& item);
    // Keeps an item for the next sign-in.
    void HoldForSignIn(const UploadItem& item);

    // The sign-in succeeded: store its credentials, open a requested Locker, replay items.
    void ReplayDeferred();
    bool ShowSignInDialog();
    // A sign-in request from the Sign In dialog (signOutFirst) or the automatic sign-in.
    // The credentials are recorded before the agent is called, so a success reported
    // while the call is still running stores the credentials of this request.
    void RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn, bool signOutFirst);

private:
    AgentHost& host_;
};

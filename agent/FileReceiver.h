// How dropped items reach the agent: upload now when signed in, otherwise ask for a sign-in
// and hold them until the agent reports it done. Nothing overtakes a held item. It also
// carries the sign-in requests whose success ends that wait.
#pragma once

#include <string>
#include <vector>

#include "drop/ItemReceiver.h"

class AgentHost;
class AgentLink;
class DeferredLogin;
class HandOverScheduler;
struct UserSettings;

class FileReceiver : public ItemReceiver {
public:
    // The parts of its session that it works with.
    struct Parts {
        AgentHost& host;
        AgentLink& link;
        DeferredLogin& deferred;
        UserSettings& settings;
        HandOverScheduler& handOver;
    };
    explicit FileReceiver(const Parts& parts) : parts_(parts) {}
    FileReceiver(const FileReceiver&) = delete;
    FileReceiver& operator=(const FileReceiver&) = delete;
    virtual ~FileReceiver() = default;

    // Signed in, what was held goes first. An agent that has gone is never taken for a
    // sign-out: a new one is asked once.
    BeginResult BeginFiles() override;
    AddResult AddFile(const UploadItem& item) override;
    void HoldForSignIn(const UploadItem& item) override;
    void HoldLockerForSignIn() override;
    void OpenHeldLocker() override;
    void ReportAgentStopped() override;
    void ReportStepFailed() override;
    void ReportRefused(const std::vector<std::wstring>& items) override;

    // The sign-in succeeded: store its credentials, and hand what waited for it over first.
    void ReplayDeferred();
    bool ShowSignInDialog();
    // A sign-in request from the Sign In dialog (signOutFirst) or the automatic sign-in.
    // The credentials are recorded before the agent is called, so a success reported
    // while the call is still running stores the credentials of this request.
    void RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn, bool signOutFirst);

private:
    void HandOverHeldFirst();
    void Tell(const wchar_t* text);

    Parts parts_;
};

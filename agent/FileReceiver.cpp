#include "agent/FileReceiver.h"

#include "agent/AgentClient.h"
#include "agent/AgentHost.h"
#include "agent/DeferredLogin.h"
#include "agent/StatusTable.h"
#include "agent/UploadController.h"
#include "agent/UserSettings.h"

BeginResult FileReceiver::BeginFiles() {
    AgentClient* client = host_.GetAgentClient();
    if (!client) return BeginResult::NoAgent;
    int signedIn = 0;
    HRESULT hr = client->IsSignedIn(&signedIn);
    if (IsAgentGoneError(hr)) {
        client = host_.GetAgentClient();  // the one that went is replaced here
        if (!client) return BeginResult::NoAgent;
        hr = client->IsSignedIn(&signedIn);
    }
    if (IsAgentGoneError(hr)) {
        host_.Display().ShowCannotConnectStatus();
        return BeginResult::NoAgent;
    }
    // A rejected or failed question says nothing about the sign-in: no Sign In dialog for it.
    if (FAILED(hr)) {
        host_.Display().ShowCannotConnectStatus();
        return BeginResult::NotAsked;
    }
    if (signedIn == 1) {
        // Signed in with nothing more to come from the agent: what was held goes now, first.
        HandOverHeldFirst();
        return BeginResult::Go;
    }
    return ShowSignInDialog() ? BeginResult::Go : BeginResult::Stop;
}

AddResult FileReceiver::AddFile(const UploadItem& item) {
    AgentClient* client = host_.GetAgentClient();
    if (!client) return AddResult::NoAgent;
    DeferredLogin& deferred = host_.Deferred();
    const unsigned long takes = deferred.Takes();
    int signedIn = 0;
    HRESULT hr = client->IsSignedIn(&signedIn);
    // A vanished agent can report no sign-in for what it is given: the item belongs to
    // the next connection, not to a wait that nothing will end.
    if (IsAgentGoneError(hr)) return AddResult::AgentGone;
    // The agent reported the sign-in done while it was asked: what was held goes first.
    if (deferred.Takes() != takes) return AddResult::Behind;
    // A rejected or failed question says nothing about the sign-in: the item is not held for one.
    if (FAILED(hr)) return AddResult::NotAsked;
    // Behind items that wait for a sign-in a later one waits too, or it would overtake them:
    // the agent may say "signed in" before it reports the sign-in done.
    if (signedIn == 1 && deferred.pendingFiles.empty()) {
        hr = client->Upload(item, 1);
        if (hr == SIZE_CHECK_PENDING) return AddResult::Later;
        if (IsAgentGoneError(hr)) return AddResult::AgentGone;
        if (hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER) return AddResult::NotAsked;
        // The too-big box has said all there is to say about that one.
        if (FAILED(hr) && hr != FILE_TOO_BIG) return AddResult::Refused;
        return AddResult::Handled;
    }
    HoldForSignIn(item);
    return AddResult::Handled;
}

void FileReceiver::HoldForSignIn(const UploadItem& item) { host_.Deferred().AddPendingFile(item); }

void FileReceiver::HoldLockerForSignIn() { host_.Deferred().HoldLockerRequest(); }

void FileReceiver::OpenHeldLocker() {
    if (AgentClient* client = host_.GetAgentClient()) client->OpenLocker();
}

void FileReceiver::ReportAgentStopped() {
    host_.ShowMessage(host_.MainWindowHandle(), AGENT_STOPPED_TEXT, MESSAGE_CAPTION, MB_OK);
}

void FileReceiver::ReportStepFailed() {
    host_.ShowMessage(host_.MainWindowHandle(), STEP_FAILED_TEXT, MESSAGE_CAPTION, MB_OK);
}

void FileReceiver::ReportRefused(const std::vector<std::wstring>& items) {
    host_.ShowMessage(host_.MainWindowHandle(), FormatRefused(items).c_str(), MESSAGE_CAPTION, MB_OK);
}

bool FileReceiver::ShowSignInDialog() { return host_.RunSignInDialog() != IDCANCEL; }

void FileReceiver::HandOverHeldFirst() {
    DeferredLogin& deferred = host_.Deferred();
    if (deferred.Waiting()) host_.HandOverFirst(deferred.TakeHeld());
}

// Runs inside the agent's notification: it only records, and leaves the agent calls to the
// hand-over, so the agent is never called back while it fires.
void FileReceiver::ReplayDeferred() {
    DeferredLogin& deferred = host_.Deferred();
    if (deferred.HasRequest()) {
        UserSettings& settings = host_.Settings();
        settings.userName = deferred.userName;
        settings.password = deferred.password;
        settings.autoLogin = deferred.autoLogin;
    }
    HandOverHeldFirst();
}

void FileReceiver::RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn,
                                 bool signOutFirst) {
    host_.Deferred().RecordRequest(user, pass, autoSignIn);
    host_.Display().SetStatus(CONNECTING_TEXT, nullptr);
    AgentClient* client = host_.GetAgentClient();
    if (!client) return;
    if (signOutFirst) client->SignOut();
    if ((client = host_.GetAgentClient()) != nullptr) client->SignIn(user.c_str(), pass.c_str());
}

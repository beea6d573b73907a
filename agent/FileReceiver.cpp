#include "agent/FileReceiver.h"

#include "agent/AgentClient.h"
#include "agent/AgentHost.h"
#include "agent/AgentLink.h"
#include "agent/DeferredLogin.h"
#include "agent/StatusTable.h"
#include "drop/HandOverScheduler.h"
#include "settings/UserSettings.h"

BeginResult FileReceiver::BeginFiles() {
    AgentClient* client = parts_.link.Get();
    if (!client) return BeginResult::NoAgent;
    int signedIn = 0;
    HRESULT hr = client->IsSignedIn(&signedIn);
    if (IsAgentGoneError(hr)) {
        client = parts_.link.Get();  // the one that went is replaced here
        if (!client) return BeginResult::NoAgent;
        hr = client->IsSignedIn(&signedIn);
    }
    if (IsAgentGoneError(hr)) {
        parts_.host.Display().ShowCannotConnectStatus();
        return BeginResult::NoAgent;
    }
    // A rejected or failed question says nothing about the sign-in: no Sign In dialog for it.
    if (FAILED(hr)) {
        parts_.host.Display().ShowCannotConnectStatus();
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
    AgentClient* client = parts_.link.Get();
    if (!client) return AddResult::NoAgent;
    DeferredLogin& deferred = parts_.deferred;
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
        switch (client->Upload(item, 1)) {
        case UploadResult::Taken:
        case UploadResult::TooBig: return AddResult::Handled;  // the too-big box has said all there is
        case UploadResult::SizePending: return AddResult::Later;
        case UploadResult::AgentGone: return AddResult::AgentGone;
        case UploadResult::NotAsked: return AddResult::NotAsked;
        case UploadResult::Refused: return AddResult::Refused;
        }
        return AddResult::Refused;
    }
    HoldForSignIn(item);
    return AddResult::Handled;
}

void FileReceiver::HoldForSignIn(const UploadItem& item) { parts_.deferred.AddPendingFile(item); }

void FileReceiver::HoldLockerForSignIn() { parts_.deferred.HoldLockerRequest(); }

void FileReceiver::OpenHeldLocker() {
    if (AgentClient* client = parts_.link.Get()) client->OpenLocker();
}

void FileReceiver::Tell(const wchar_t* text) {
    parts_.host.ShowMessage(parts_.host.MainWindowHandle(), text, MESSAGE_CAPTION, MB_OK);
}

void FileReceiver::ReportAgentStopped() { Tell(AGENT_STOPPED_TEXT); }

void FileReceiver::ReportStepFailed() { Tell(STEP_FAILED_TEXT); }

void FileReceiver::ReportRefused(const std::vector<std::wstring>& items) { Tell(FormatRefused(items).c_str()); }

bool FileReceiver::ShowSignInDialog() { return parts_.host.RunSignInDialog() != IDCANCEL; }

void FileReceiver::HandOverHeldFirst() {
    DeferredLogin& deferred = parts_.deferred;
    if (deferred.Waiting()) parts_.handOver.PutFirst(deferred.TakeHeld());
}

// Runs inside the agent's notification: it only records, and leaves the agent calls to the
// hand-over, so the agent is never called back while it fires.
void FileReceiver::ReplayDeferred() {
    DeferredLogin& deferred = parts_.deferred;
    if (deferred.HasRequest()) {
        UserSettings& settings = parts_.settings;
        settings.userName = deferred.userName;
        settings.password = deferred.password;
        settings.autoLogin = deferred.autoLogin;
    }
    HandOverHeldFirst();
}

void FileReceiver::RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn,
                                 bool signOutFirst) {
    parts_.deferred.RecordRequest(user, pass, autoSignIn);
    parts_.host.Display().SetStatus(CONNECTING_TEXT, nullptr);
    AgentClient* client = parts_.link.Get();
    if (!client) return;
    if (signOutFirst) client->SignOut();
    if ((client = parts_.link.Get()) != nullptr) client->SignIn(user.c_str(), pass.c_str());
}

#include "agent/FileReceiver.h"

#include <utility>
#include <vector>

#include "agent/AgentClient.h"
#include "agent/AgentHost.h"
#include "agent/DeferredLogin.h"
#include "agent/StatusTable.h"
#include "settings/UserSettings.h"

namespace {

bool SignedIn(AgentClient& client) {
    int value = 0;
    return SUCCEEDED(client.IsSignedIn(&value)) && value == 1;
}

}  // namespace

long FileReceiver::BeginFiles() {
    AgentClient* client = host_.GetAgentClient();
    if (!client) return 0;
    if (SignedIn(*client)) return 1;
    return ShowSignInDialog() ? 1 : 0;
}

AddResult FileReceiver::AddFile(const UploadItem& item) {
    AgentClient* client = host_.GetAgentClient();
    if (!client) return AddResult::NoAgent;
    int signedIn = 0;
    HRESULT hr = client->IsSignedIn(&signedIn);
    // A vanished agent can report no sign-in for what it is given: the item belongs to
    // the next connection, not to a wait that nothing will end.
    if (IsAgentGoneError(hr)) return AddResult::AgentGone;
    if (SUCCEEDED(hr) && signedIn == 1) {
        hr = client->Upload(item, 1);
        return IsAgentGoneError(hr) ? AddResult::AgentGone : AddResult::Handled;
    }
    HoldForSignIn(item);
    return AddResult::Handled;
}

void FileReceiver::HoldForSignIn(const UploadItem& item) { host_.Deferred().AddPendingFile(item); }

bool FileReceiver::ShowSignInDialog() { return host_.RunSignInDialog() != IDCANCEL; }

void FileReceiver::ReplayDeferred() {
    DeferredLogin& deferred = host_.Deferred();
    if (deferred.HasRequest()) {
        UserSettings& settings = host_.Settings();
        settings.userName = deferred.userName;
        settings.password = deferred.password;
        settings.autoLogin = deferred.autoLogin;
    }
    if (deferred.lockerPending == 1) {
        deferred.lockerPending = 0;
        if (AgentClient* client = host_.GetAgentClient()) client->OpenLocker();
    }
    // Only what was pending now is replayed; an item that has to wait again goes back
    // into the list for the next sign-in instead of being dropped or walked forever.
    std::vector<UploadItem> items = std::move(deferred.pendingFiles);
    deferred.pendingFiles.clear();
    for (size_t i = 0; i < items.size(); ++i) {
        if (AddFile(items[i]) != AddResult::AgentGone) continue;
        // The agent went away during the replay: the rest waits for the next sign-in.
        for (; i < items.size(); ++i) HoldForSignIn(items[i]);
    }
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

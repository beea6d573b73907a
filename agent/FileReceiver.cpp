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

long FileReceiver::AddFile(const char* item) {
    if (!item) return E_POINTER;
    AgentClient* client = host_.GetAgentClient();
    if (!client) return E_FAIL;
    if (SignedIn(*client)) return client->Upload(item, 1);
    host_.Deferred().AddPendingFile(item);
    return S_OK;
}

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
    std::vector<std::string> items = std::move(deferred.pendingFiles);
    deferred.pendingFiles.clear();
    for (const std::string& item : items) AddFile(item.c_str());
}

void FileReceiver::RequestSignIn(const std::string& user, const std::string& pass, int autoSignIn,
                                 bool signOutFirst) {
    host_.Deferred().RecordRequest(user, pass, autoSignIn);
    host_.Display().SetStatus(kConnectingText, nullptr);
    AgentClient* client = host_.GetAgentClient();
    if (!client) return;
    if (signOutFirst) client->SignOut();
    if ((client = host_.GetAgentClient()) != nullptr) client->SignIn(user.c_str(), pass.c_str());
}

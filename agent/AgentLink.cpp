#include "agent/AgentLink.h"

#include "agent/AgentHost.h"
#include "agent/StatusTable.h"
#include "agent/UploadController.h"

AgentLink::AgentLink(AgentHost& host, AgentFactory factory) : host_(host), factory_(factory) {}

AgentLink::~AgentLink() { Destroy(); }

void AgentLink::Destroy() {
    client_.reset();
    retired_.clear();
}

void AgentLink::ReleaseRetired() {
    // Releasing a client calls its agent, and whatever runs meanwhile may retire another.
    std::vector<std::unique_ptr<AgentClient>> leaving = std::move(retired_);
    retired_.clear();
    leaving.clear();
}

AgentClient* AgentLink::Get() {
    if (client_ && client_->IsGone()) {
        // An agent that only seemed gone runs on and keeps notifying: one client hears it.
        client_->GiveUp();
        retired_.push_back(std::move(client_));
    }
    if (client_) return client_.get();
    // Status handlers run while the client is being built; they must reach that client,
    // not start a second one.
    if (building_) return building_;

    auto client = std::make_unique<UploadController>(host_);
    client->SetWatch(watch_);
    building_ = client.get();
    const ConnectFailure failure = client->Connect(factory_);
    building_ = nullptr;
    if (failure != ConnectFailure::None) {
        client.reset();
        host_.ShowMessage(host_.MainWindowHandle(), FormatConnectFailure(static_cast<int>(failure)).c_str(), L"Failure",
                          MB_OK);
        return nullptr;
    }
    client_ = std::move(client);
    client_->Configure(5);
    return client_.get();
}

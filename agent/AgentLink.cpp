#include "agent/AgentLink.h"

#include "agent/AgentHost.h"
#include "agent/StatusTable.h"
#include "agent/UploadController.h"

namespace {

// An agent that has just gone away is still going for a moment, and a new one cannot start
// until it has: the connection is tried this many times, after these pauses (2 s in all).
constexpr int CONNECT_TRIES = 3;
constexpr DWORD CONNECT_PAUSES_MS[CONNECT_TRIES - 1] = {700, 1300};

// Waits, answering what other programs send meanwhile (as a call to the agent does), but
// dispatching nothing posted: no input, timer or hand-over runs inside a connection.
void PauseAnsweringSentMessages(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

AgentLink::AgentLink(const ControllerParts& parts, AgentFactory factory) : parts_(parts), factory_(factory) {}

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
    // Something another program sent, answered between two tries: no second connection.
    if (pausing_) return nullptr;

    std::unique_ptr<AgentClient> client;
    ConnectFailure failure = ConnectFailure::None;
    for (int tried = 0; tried < CONNECT_TRIES; ++tried) {
        if (tried > 0) {
            pausing_ = true;
            PauseAnsweringSentMessages(CONNECT_PAUSES_MS[tried - 1]);
            pausing_ = false;
        }
        client = std::make_unique<UploadController>(parts_, *this);
        client->SetWatch(watch_);
        building_ = client.get();
        failure = client->Connect(factory_);
        building_ = nullptr;
        if (failure != ConnectFailure::Stopping) break;
        client.reset();  // asks nothing of an agent that went away
    }
    if (failure != ConnectFailure::None) {
        client.reset();
        const ConnectFailure shown = failure == ConnectFailure::Stopping ? ConnectFailure::NotCreated : failure;
        parts_.host.ShowMessage(parts_.host.MainWindowHandle(), FormatConnectFailure(static_cast<int>(shown)).c_str(), L"Failure",
                          MB_OK);
        return nullptr;
    }
    client_ = std::move(client);
    client_->Configure(5);
    return client_.get();
}

// Owns the one agent client: creates it on first need, and replaces it once its agent's
// process has gone away.
#pragma once

#include <memory>
#include <vector>

#include "agent/AgentClient.h"

struct ControllerParts;

class AgentLink {
public:
    // The clients it creates work with `parts`; a failed connection is told through its host.
    AgentLink(const ControllerParts& parts, AgentFactory factory);
    AgentLink(const AgentLink&) = delete;
    AgentLink& operator=(const AgentLink&) = delete;
    ~AgentLink();

    // The client, created if needed; null when creation failed (the user has been told).
    AgentClient* Get();
    // The client as it stands, never created here; null while there is none.
    AgentClient* Current() const { return client_.get(); }
    // True while a client is being connected: it must not be used for work before its
    // version check, its events and its configuration are in place.
    bool Connecting() const { return building_ != nullptr || pausing_; }
    // Frees the clients replaced so far. Only where none of their code can be running: between
    // two messages of the program's outermost loop.
    void ReleaseRetired();
    void Destroy();
    // Every client's calls are watched by it from now on.
    void SetWatch(CallWatch* watch) { watch_ = watch; }

private:
    const ControllerParts& parts_;
    AgentFactory factory_;
    std::unique_ptr<AgentClient> client_;
    AgentClient* building_ = nullptr;
    bool pausing_ = false;  // between two tries of a connection
    CallWatch* watch_ = nullptr;
    // A replaced client may still be on the call stack (a notification handler that asked
    // for the client again, a call in flight); it hears nothing more, but is kept until
    // ReleaseRetired.
    std::vector<std::unique_ptr<AgentClient>> retired_;
};

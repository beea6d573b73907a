// The parts of an AgentSession, for the tests and benchmarks that drive one part alone.
#pragma once

#include <string>

#include "agent/AgentSession.h"
#include "tests/support/Files.h"

struct AgentSessionParts {
    explicit AgentSessionParts(AgentSession& session)
        : settings(session.settings_),
          deferred(session.deferred_),
          link(session.link_),
          receiver(session.receiver_),
          handOver(session.queue_),
          scheduler(session.scheduler_) {}
    UserSettings& settings;
    DeferredLogin& deferred;
    AgentLink& link;
    FileReceiver& receiver;
    HandOverQueue& handOver;
    HandOverScheduler& scheduler;
};

// "user/password/autoLogin" of the settings or of a sign-in held, in UTF-8.
template <class Credentials>
std::string CredentialsOf(const Credentials& c) {
    return Utf8(c.userName) + "/" + Utf8(c.password) + "/" + std::to_string(c.autoLogin);
}

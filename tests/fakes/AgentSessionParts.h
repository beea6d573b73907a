// The parts of an AgentSession, for the tests and benchmarks that drive one part alone.
#pragma once

#include "agent/AgentSession.h"

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


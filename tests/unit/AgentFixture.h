#pragma once

#include <gtest/gtest.h>

#include "agent/AgentProtocol.h"
#include "tests/fakes/FakeHost.h"

using namespace agentproto;

class AgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeHost::nextAgent = &agent;
        FakeHost::failureCode = ConnectFailure::NotRegistered;
    }
    void TearDown() override { FakeHost::nextAgent = nullptr; }

    // Connects, then forgets what connecting showed and called, so a test sees only its own;
    // `signedIn`: the agent says the user is signed in from then on.
    AgentClient& Connected(bool signedIn = false) {
        AgentClient* client = host.GetAgentClient();
        if (signedIn) agent.AnswerShort(DispIsSignedIn, 1);
        EXPECT_NE(client, nullptr);
        host.display.clear();
        host.boxes.clear();
        agent.calls.clear();
        return *client;
    }

    FakeAgent agent;  // declared first: outlives the host's client
    FakeAgent spare;  // for a second connection
    FakeHost host;
};

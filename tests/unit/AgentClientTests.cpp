// The agent client against an in-process agent: what each call passes, how answers are
// read, and how the connection is made and remade.
#include "tests/unit/AgentFixture.h"
#include "tests/support/Items.h"

namespace {

std::string Args(const FakeCall* call) {
    if (!call) return "(no call)";
    std::string out;
    for (const FakeArg& arg : call->args) out += std::to_string(arg.vt) + ":" + arg.text + " ";
    return out;
}

}  // namespace

TEST_F(AgentTest, EveryCallUsesMethodDispatchWithTheUserLocaleAndNoNames) {
    AgentClient& client = Connected();
    int value = 0;
    long wide = 0;
    wchar_t name[32];
    client.AgentClient::SignIn(L"a@b.c", L"pw");
    client.IsSignedIn(&value);
    client.SignOut();
    client.Upload(Dropped("C:\\m.mp3"), 1);
    client.AgentClient::OpenLocker();  // the plain call, without the sign-in check
    client.RegisterUser();
    client.Upgrade();
    client.GetStatus(&value);
    client.GetFilesToGo(&value);
    client.GetCurrentFileName(name, ARRAYSIZE(name));
    client.IsUpgradeAvailable(&wide);
    client.Configure(5);
    ASSERT_EQ(agent.calls.size(), 12u);
    for (const FakeCall& call : agent.calls) {
        EXPECT_EQ(call.flags, DISPATCH_METHOD) << call.id;
        EXPECT_EQ(call.lcid, 0x400u) << call.id;
        EXPECT_TRUE(call.nullIid) << call.id;
        EXPECT_EQ(call.named, 0u) << call.id;
    }
}

TEST_F(AgentTest, ArgumentsArriveInDeclaredOrderWithTheirTypes) {
    AgentClient& client = Connected();
    client.SignIn(L"user@example.com", L"secret");
    EXPECT_EQ(Args(agent.Last(DispSignIn)), "8:user@example.com 8:secret 8:Parcelo 1.0 ");
    client.Upload(Dropped("C:\\Music\\song.mp3"), 1);
    EXPECT_EQ(Args(agent.Last(DispUpload)), "8:C:\\Music\\song.mp3 11:1 ");
    client.AgentClient::OpenLocker();  // the plain call, without the sign-in check
    EXPECT_EQ(Args(agent.Last(DispOpenLocker)), "16396:0 ");  // VT_BYREF|VT_VARIANT at an empty VARIANT
    client.SignOut();
    EXPECT_EQ(Args(agent.Last(DispSignOut)), "3:0 ");
    client.RegisterUser();
    EXPECT_EQ(Args(agent.Last(DispRegisterUser)), "8:Parcelo 1.0 ");
    client.SignIn(nullptr, L"x");
    EXPECT_EQ(agent.Last(DispSignIn)->args[0].text, "(null)");
}

TEST_F(AgentTest, SignInVerdictComesOnlyFromAnI4) {
    AgentClient& client = Connected();
    EXPECT_EQ(client.SignIn(L"a@b.c", L"p"), S_OK);
    agent.Answer(DispSignIn, {S_OK, VT_I4, 0, L"", false, nullptr});
    EXPECT_EQ(client.SignIn(L"a@b.c", L"p"), static_cast<HRESULT>(0x800E0000L));
    agent.AnswerText(DispSignIn, L"yes");
    EXPECT_EQ(client.SignIn(L"a@b.c", L"p"), DISP_E_EXCEPTION);
    agent.Fail(DispSignIn, E_FAIL);
    EXPECT_EQ(client.SignIn(L"a@b.c", L"p"), DISP_E_EXCEPTION);
}

TEST_F(AgentTest, ShortAnswersTakeTheLowSixteenBitsWithSign) {
    AgentClient& client = Connected();
    int value = 7;
    agent.Answer(DispIsSignedIn, {S_OK, VT_BOOL, -1, L"", false, nullptr});
    EXPECT_EQ(client.IsSignedIn(&value), S_OK);
    EXPECT_EQ(value, -1);  // VARIANT_TRUE is not "signed in"
    agent.Answer(DispGetStatus, {S_OK, VT_I4, 0x10013, L"", false, nullptr});
    client.GetStatus(&value);
    EXPECT_EQ(value, 19);
    agent.Answer(DispGetFilesToGo, {S_OK, VT_I2, 0xFFFF, L"", false, nullptr});
    client.GetFilesToGo(&value);
    EXPECT_EQ(value, -1);
    long wide = 0;
    agent.Answer(DispIsUpgradeAvailable, {S_OK, VT_I4, 0x10001, L"", false, nullptr});
    client.IsUpgradeAvailable(&wide);
    EXPECT_EQ(wide, 0x10001);
}

TEST_F(AgentTest, FailedQueriesLeaveTheCallersValueAlone) {
    AgentClient& client = Connected();
    agent.Fail(DispGetStatus, E_FAIL);
    agent.Fail(DispIsSignedIn, DISP_E_MEMBERNOTFOUND);
    agent.Fail(DispIsUpgradeAvailable, E_FAIL);
    int value = 1234;
    long wide = 99;
    EXPECT_EQ(client.GetStatus(&value), E_FAIL);
    EXPECT_EQ(client.IsSignedIn(&value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(client.IsUpgradeAvailable(&wide), E_FAIL);
    EXPECT_EQ(value, 1234);
    EXPECT_EQ(wide, 99);
}

TEST_F(AgentTest, CurrentFileNameIsCutToTheBufferAndReadDefensively) {
    AgentClient& client = Connected();
    const std::wstring longName(300, L'x');
    agent.AnswerText(DispGetCurrentFileName, longName.c_str());
    wchar_t name[260];
    client.GetCurrentFileName(name, ARRAYSIZE(name));
    EXPECT_EQ(std::wstring(name), std::wstring(259, L'x'));
    agent.AnswerText(DispGetCurrentFileName, nullptr);  // a null BSTR is an empty text
    client.GetCurrentFileName(name, ARRAYSIZE(name));
    EXPECT_STREQ(name, L"");
    agent.Answer(DispGetCurrentFileName, {S_OK, VT_I4, 0x1234, L"", false, nullptr});
    client.GetCurrentFileName(name, ARRAYSIZE(name));  // must not read an integer as a pointer
    EXPECT_STREQ(name, L"");
    agent.Fail(DispGetCurrentFileName, E_FAIL);
    client.GetCurrentFileName(name, ARRAYSIZE(name));
    EXPECT_STREQ(name, L"");
}

struct GateCase {
    const wchar_t* version;
    bool accepted;
};

class VersionGateTest : public AgentTest, public ::testing::WithParamInterface<GateCase> {};

TEST_P(VersionGateTest, RefusedVersionsShowBothBoxesAndFailWithCodeThree) {
    agent.AnswerText(DispGetVersion, GetParam().version);
    AgentClient* client = host.GetAgentClient();
    if (GetParam().accepted) {
        EXPECT_NE(client, nullptr);
        EXPECT_TRUE(host.boxes.empty());
        return;
    }
    EXPECT_EQ(client, nullptr);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].owner, nullptr);
    EXPECT_EQ(host.boxes[0].caption, "API");
    EXPECT_EQ(host.boxes[0].text, "Incompatible server version. Download new version of Velorex (Parcelo) from SonavoWeb");
    EXPECT_EQ(host.boxes[1].owner, host.window);
    EXPECT_EQ(host.boxes[1].caption, "Failure");
    EXPECT_EQ(host.boxes[1].text,
              "Failed to connect to Sonavo Server with failure code '3'. Reinstall Parcelo or download newer version.");
    EXPECT_EQ(agent.refs, 1);  // the refused agent was released
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionGateTest,
                         ::testing::Values(GateCase{L"1.6.0", true}, GateCase{L"1.6.000", true},
                                           GateCase{L"1.7", true}, GateCase{L"2.0", true},
                                           GateCase{L"1.5.99", false}, GateCase{L"1.6", false},
                                           GateCase{L"1.10.0", false}, GateCase{L"", false}));

TEST_F(AgentTest, AnAgentWithoutAVersionTextIsIncompatible) {
    agent.Fail(DispGetVersion, E_FAIL);
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    agent.Answer(DispGetVersion, {S_OK, VT_I4, 160, L"", false, nullptr});
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    agent.AnswerText(DispGetVersion, nullptr);
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    ASSERT_EQ(host.boxes.size(), 6u);
    EXPECT_NE(host.boxes[5].text.find("code '3'"), std::string::npos);
}

TEST_F(AgentTest, MissingRegistrationShowsOnlyTheFailureBoxEachTime) {
    FakeHost::nextAgent = nullptr;
    FakeHost::failureCode = ConnectFailure::NotRegistered;
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text,
              "Failed to connect to Sonavo Server with failure code '1'. Reinstall Parcelo or download newer version.");
    EXPECT_EQ(FakeHost::factoryCalls, 2);
}

namespace {

FakeAgent* g_dying = nullptr;

// The first try meets the old agent going away as it is asked its version, the second a
// server still stopping; the third the new agent.
ConnectFailure AgentOnItsWayOut(IDispatch** agent) {
    *agent = nullptr;
    switch (FakeHost::factoryCalls++) {
    case 0:
        g_dying->AddRef();
        *agent = g_dying;
        return ConnectFailure::None;
    case 1: return ConnectFailure::Stopping;
    default: --FakeHost::factoryCalls; return FakeHost::Factory(agent);
    }
}

}  // namespace

TEST_F(AgentTest, AConnectionMetByAnAgentOnItsWayOutIsTriedAgainBeforeTheUserIsTold) {
    FakeAgent dying;
    dying.Fail(DispGetVersion, static_cast<HRESULT>(0x800706BEL));
    g_dying = &dying;
    {
        FakeHost waiting(&AgentOnItsWayOut);
        ASSERT_NE(waiting.GetAgentClient(), nullptr);
        EXPECT_EQ(FakeHost::factoryCalls, 3);
        EXPECT_TRUE(waiting.boxes.empty());
        EXPECT_EQ(dying.Count(DispGetVersion), 1);
        EXPECT_EQ(dying.refs, 1);  // let go of, asked nothing more
    }
    // Still going after three tries: told as when none could be created, and asked anew next time.
    FakeHost::nextAgent = nullptr;
    FakeHost::failureCode = ConnectFailure::Stopping;
    FakeHost::factoryCalls = 0;
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    EXPECT_EQ(FakeHost::factoryCalls, 3);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("code '2'"), std::string::npos);
}

// The version is asked once and kept; destroying the client disconnects and releases the agent.
TEST_F(AgentTest, ConnectingHandsThePresentStatusOnThenConfiguresAndDestroyingLetsGo) {
    agent.AnswerShort(DispGetStatus, 11);
    AgentClient* client = host.GetAgentClient();
    ASSERT_NE(client, nullptr);
    EXPECT_STREQ(client->GetVersion(), L"1.6.0");
    std::vector<DISPID> order;
    for (const FakeCall& call : agent.calls) order.push_back(call.id);
    EXPECT_EQ(order, (std::vector<DISPID>{DispGetVersion, DispGetStatus, DispConfigure}));
    EXPECT_EQ(agent.Last(DispConfigure)->args[0].vt, VT_I2);
    EXPECT_EQ(agent.Last(DispConfigure)->args[0].text, "5");
    EXPECT_EQ(host.display, (std::vector<std::string>{"status:Drag files here|(null)", "progress:-1"}));
    EXPECT_NE(agent.sink, nullptr);
    EXPECT_EQ(host.GetAgentClient(), host.link.Current());
    EXPECT_EQ(FakeHost::factoryCalls, 1);
    EXPECT_GT(agent.refs, 1);
    host.link.Destroy();
    EXPECT_EQ(agent.sink, nullptr);
    EXPECT_EQ(agent.refs, 1);
}

TEST_F(AgentTest, WithoutConnectionPointsTheClientStillWorksButAsksNoStatus) {
    agent.offerConnections = false;
    ASSERT_NE(host.GetAgentClient(), nullptr);
    EXPECT_EQ(agent.Count(DispGetStatus), 0);
    EXPECT_TRUE(host.display.empty());
}

TEST_F(AgentTest, AStatusDuringConnectionReachesTheClientBeingBuilt) {
    // Signed in already, one item waiting: the initial 19 hands it over once the new client
    // is configured, and through that client.
    agent.AnswerShort(DispGetStatus, 19);
    agent.AnswerShort(DispIsSignedIn, 1);
    host.deferred.AddPendingFile(Dropped("http://example.invalid/a.mp3"));
    ASSERT_NE(host.GetAgentClient(), nullptr);
    EXPECT_EQ(agent.Count(DispUpload), 0);
    host.HandOver();
    EXPECT_EQ(FakeHost::factoryCalls, 1);
    ASSERT_EQ(agent.Count(DispUpload), 1);
    EXPECT_EQ(agent.Last(DispUpload)->args[0].text, "http://example.invalid/a.mp3");
    EXPECT_EQ(agent.calls[agent.calls.size() - 3].id, DispConfigure);
}

TEST_F(AgentTest, AVanishedAgentIsReplacedAndWaitingItemsSurvive) {
    AgentClient& first = Connected();
    host.deferred.AddPendingFile(Dropped("C:\\waiting.mp3"));
    agent.Fail(DispIsSignedIn, static_cast<HRESULT>(0x800706BAL));
    // Gone: the item is neither uploaded nor held for a sign-in this agent can never report.
    EXPECT_EQ(host.receiver.AddFile(Dropped("C:\\a.mp3")), AddResult::AgentGone);
    EXPECT_TRUE(first.IsGone());
    ASSERT_EQ(host.deferred.pendingFiles.size(), 1u);

    FakeAgent& second = spare;
    second.AnswerShort(DispIsSignedIn, 1);
    FakeHost::nextAgent = &second;
    AgentClient* replacement = host.GetAgentClient();
    ASSERT_NE(replacement, nullptr);
    EXPECT_NE(replacement, &first);
    EXPECT_EQ(FakeHost::factoryCalls, 2);
    replacement->OnStatus(19);
    host.HandOver();
    ASSERT_EQ(second.Count(DispUpload), 1);
    EXPECT_EQ(second.Last(DispUpload)->args[0].text, "C:\\waiting.mp3");

    // An agent that only seemed gone can still notify: the first client hears nothing, and
    // nothing was asked of that agent to stop it. It lets go of the agent when released.
    EXPECT_NE(agent.sink, nullptr);
    EXPECT_TRUE(FAILED(agent.Fire(EventStatus, 104)));
    EXPECT_TRUE(host.boxes.empty());
    host.link.ReleaseRetired();
    EXPECT_EQ(agent.refs, 1);
}

TEST_F(AgentTest, EveryDisconnectionCodeCountsAsGone) {
    for (HRESULT hr : {static_cast<HRESULT>(0x800706BAL), static_cast<HRESULT>(0x800706BEL),
                       static_cast<HRESULT>(0x800706BFL), static_cast<HRESULT>(0x800706B5L), RPC_E_SERVER_DIED, RPC_E_SERVER_DIED_DNE, RPC_E_DISCONNECTED,
                       CO_E_OBJNOTCONNECTED}) {
        EXPECT_TRUE(IsAgentGoneError(hr));
    }
    EXPECT_FALSE(IsAgentGoneError(E_FAIL));
    EXPECT_FALSE(IsAgentGoneError(RPC_E_SERVERFAULT));
    EXPECT_FALSE(IsAgentGoneError(RPC_E_CALL_REJECTED));
    EXPECT_FALSE(IsAgentGoneError(DISP_E_MEMBERNOTFOUND));
    AgentClient& client = Connected();
    agent.Fail(DispGetStatus, E_FAIL);
    int status = 0;
    client.GetStatus(&status);
    EXPECT_FALSE(client.IsGone());
}

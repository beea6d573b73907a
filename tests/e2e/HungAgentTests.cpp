// An agent that does not answer, or that is gone: the user is asked after ten seconds and may
// wait, end the agent or exit, an Exit the setup posts meanwhile is honoured, and an agent
// ended from outside is never taken for a sign-out.
#include "tests/e2e/LockerFixture.h"

#include <thread>

using namespace agentproto;

namespace {

constexpr DWORD NO_ANSWER_MS = 120000;  // longer than any case waits

class HungAgentTest : public DropToLockerTest {
protected:
    void TearDown() override {
        AgentScript::KillServer();  // an agent still hanging would hold up the next case
        DropToLockerTest::TearDown();
    }
    // The program shown and connected, then a drop whose first question to the agent takes
    // `hangMs` to be answered; the time the drop ended.
    ULONGLONG DropWhileTheAgentHangs(ParceloProcess& program, DWORD hangMs) {
        HWND window = Started(program);
        if (!window) return 0;
        script.Set("12.delay", hangMs);
        return Dropped(window, {source_}) ? GetTickCount64() : 0;
    }
    // The question about the agent, once it is up (null when it is not within `timeoutMs`).
    static HWND Question(const ParceloProcess& program, DWORD timeoutMs) {
        HWND question = nullptr;
        PumpUntil([&] { return (question = program.FindShownWith("#32770", "Parcelo", "End UploadAgent")) != nullptr; },
                  timeoutMs);
        return question;
    }
    static void Press(HWND question, const char* button) {
        PostMessageW(ChildWithText(question, button), BM_CLICK, 0, 0);
    }
};

}  // namespace

TEST_F(HungAgentTest, AskedAfterTenSecondsWaitAsksAgainLaterAndEndEndsTheAgentWithoutASignIn) {
    ParceloProcess program(" /showparcelo");
    const ULONGLONG dropped = DropWhileTheAgentHangs(program, NO_ANSWER_MS);
    ASSERT_NE(dropped, 0u);
    const DWORD agent = AgentScript::AgentPid();
    HWND question = Question(program, 12000);
    ASSERT_NE(question, nullptr) << "no question within 12 s";
    EXPECT_GE(GetTickCount64() - dropped, 9000u) << "asked before the call had waited its time";
    Press(question, "Wait");
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(question); }));
    EXPECT_EQ(Question(program, 20000), nullptr) << "asked again right after Wait";
    question = Question(program, 20000);
    ASSERT_NE(question, nullptr) << "not asked again after Wait";
    Press(question, "End UploadAgent");
    EXPECT_TRUE(WaitForProcessEnd(agent, 5000)) << "the agent's process is still there";
    EXPECT_EQ(program.Dialog("Sign In", 5000), nullptr) << "an agent ended is no sign-out";
    EXPECT_TRUE(program.Running());
    // Under Wine no new agent starts for a while after one was ended this way: the user is
    // told as when none can be reached, and the item waits.
    HWND failure = program.Dialog("Failure");
    if (failure) PostClick(failure, IDOK);
    EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(HungAgentTest, ExitInTheQuestionEndsTheProgramAtOnceWithItsSettingsSaved) {
    ParceloProcess program(" /showparcelo");
    ASSERT_NE(DropWhileTheAgentHangs(program, NO_ANSWER_MS), 0u);
    HWND question = Question(program, 12000);
    ASSERT_NE(question, nullptr);
    Press(question, "Exit Parcelo");
    EXPECT_EQ(program.WaitForExit(2000), 0u);
    EXPECT_EQ(StoredText("Position", "Visible"), "False");  // saved as at Exit, shown
    EXPECT_NE(AgentScript::AgentPid(), 0u) << "Exit ended the agent";
}

TEST_F(HungAgentTest, AnAnswerWhileTheQuestionIsUpEndsNoProcess) {
    ScriptSignedInAndTaking();
    ParceloProcess program(" /showparcelo");
    const ULONGLONG dropped = DropWhileTheAgentHangs(program, 13000);
    ASSERT_NE(dropped, 0u);
    const DWORD agent = AgentScript::AgentPid();
    HWND question = Question(program, 12000);
    ASSERT_NE(question, nullptr);
    while (GetTickCount64() - dropped < 15000) PumpUntil([] { return false; }, 100);  // answered meanwhile
    script.Remove("12.delay");  // the next questions are answered at once
    Press(question, "End UploadAgent");
    EXPECT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 1; })) << "the item did not go";
    EXPECT_FALSE(WaitForProcessEnd(agent, 3000)) << "an agent that had answered was ended";
    EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(HungAgentTest, AnExitPostedDuringTheCallEndsTheProgramWithinTwoSeconds) {
    ParceloProcess program(" /showparcelo");
    ASSERT_NE(DropWhileTheAgentHangs(program, NO_ANSWER_MS), 0u);
    PumpUntil([] { return false; }, 2000);  // the call is out
    EXPECT_EQ(program.Exit(2000), 0u);  // posts command 32770, as the setup does
}

TEST_F(HungAgentTest, AnAgentThatWentAwayWhileIdleIsReplacedAndNoSignInIsAsked) {
    ScriptSignedInAndTaking();
    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(AgentScript::KillServer());  // it ends on its own, as a crash-free exit does
    ASSERT_TRUE(Dropped(window, {source_}));
    EXPECT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 1; })) << "the new agent did not get it";
    EXPECT_EQ(program.Dialog("Sign In", 1000), nullptr);
    EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(HungAgentTest, AnAgentEndedFromOutsideWhileIdleIsNoSignOut) {
    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    {
        const UniqueHandle agent(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, AgentScript::AgentPid()));
        ASSERT_TRUE(agent.Valid());
        ASSERT_TRUE(TerminateProcess(agent.Get(), 1));  // as a crash ends it
        WaitForSingleObject(agent.Get(), 5000);
    }
    ASSERT_TRUE(Dropped(window, {source_}));
    // Under Wine no agent of that class can start for a while now: the user is told so.
    HWND failure = program.Dialog("Failure");
    ASSERT_NE(failure, nullptr) << "the user was not told";
    EXPECT_EQ(program.Dialog("Sign In", 1000), nullptr);
    PostClick(failure, IDOK);
    EXPECT_EQ(program.Exit(), 0u);
}

// The agent reports a failure from inside SignIn and the user reads its box for a long while,
// as the skin timer keeps asking the agent's status (each answer taking 1.5 s) from inside the
// box: the agent answers every call, so it is never taken for hung, nor ended.
TEST_F(HungAgentTest, ABoxAReportBringsInsideSignInStaysUpWithNoQuestionAndTheAgentLives) {
    StoreAutomaticSignIn(account_, "auto pass");
    script.Set("2.vt", VT_I4);
    script.Set("2.value", 0);
    script.SetText("2.events", "2:104");
    script.Set("15.delay", 1500);
    ParceloProcess program(" /showparcelo");
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = program.FindShownWith("#32770", "Parcelo", "Authentication failed")) != nullptr; },
                          15000));
    const DWORD agent = AgentScript::AgentPid();
    const size_t asked = script.LoggedCalls(DispGetStatus).size();
    EXPECT_EQ(Question(program, 15000), nullptr) << "asked about an agent that answers";
    EXPECT_TRUE(IsWindow(box));
    EXPECT_GE(script.LoggedCalls(DispGetStatus).size(), asked + 5) << "the status was not asked meanwhile";
    EXPECT_FALSE(WaitForProcessEnd(agent, 0)) << "the agent was ended";
    PostClick(box, IDOK);
    EXPECT_EQ(program.Exit(), 0u);
}

// Another program's call keeps the agent busy for 20 s: Exit ends the program within 2 s, with
// its settings saved, whether the exit meets a call of its own out or must let go of the agent.
TEST_F(HungAgentTest, ExitWhileAnotherProgramKeepsTheAgentBusyEndsWithinTwoSecondsWithTheSettingsSaved) {
    ParceloProcess program(" /showparcelo");
    ASSERT_NE(Started(program), nullptr);
    script.Set("22.delay", 20000);  // a question the program never asks here
    std::thread other([] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
        CLSID clsid;
        IDispatch* agent = nullptr;
        if (SUCCEEDED(CLSIDFromProgID(PROG_ID_W, &clsid)) &&
            SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&agent)))) {
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            VARIANT result;
            VariantInit(&result);
            agent->Invoke(DispIsUpgradeAvailable, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                          nullptr, nullptr);
            VariantClear(&result);
            agent->Release();
        }
        CoUninitialize();
    });
    // At once: most often the program has no call of its own out yet, and must let go of the
    // agent as it ends; else its timer's question waits behind the other program's call.
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispIsUpgradeAvailable).size() == 1; }));
    EXPECT_EQ(program.Exit(2000), 0u);
    EXPECT_NE(StoredText("Position", "Visible"), ABSENT_TEXT) << "the settings were not saved";
    AgentScript::KillServer();  // the other program's call then fails at once
    other.join();
}

// parcelo.exe as a process: its switches, its window, and an orderly end with exit code 0,
// against the stand-in agent in scripted mode.
#include <gtest/gtest.h>

#include <string>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/AgentScript.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override {
        // A server whose client was ended by force would keep ctest's output open for ever.
        AgentScript::KillServer();
        DeleteProductKey();
    }
    AgentScript script;
};

TEST_F(ProgramTest, ClearRegEndsAtOnceWithoutAWindow) {
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\User"));
    ParceloProcess program(" /clearreg");
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));
    EXPECT_TRUE(script.Log().empty());  // never connected to the agent
}

TEST_F(ProgramTest, StartsShownConnectsAndEndsInOrderOnExit) {
    ParceloProcess program(" /showparcelo");
    ASSERT_TRUE(program.Started());
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(agentproto::DispConfigure).size() == 1; }));
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(StoredText("Position", "Visible"), "False");  // saved at exit, inverted: it was shown
}

TEST_F(ProgramTest, EveryStartIsItsOwnProcessWithItsOwnWindow) {
    ParceloProcess first(""), second("");
    HWND a = first.Window(), b = second.Window();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    // A window can be found while it is still being created, before its start (posted from
    // WM_CREATE) has read the settings; an Exit that came first would end it without saving
    // them, rightly, since it never read them. Each start connects right after that reading.
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(agentproto::DispConfigure).size() == 2; }));
    EXPECT_FALSE(IsWindowVisible(a));
    PostMessageA(a, WM_COMMAND, ID_CMD_EXIT, 0);
    PostMessageA(b, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(first.WaitForExit(), 0u);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_EQ(StoredText("Position", "Visible"), "True");  // both hidden at exit
}

// A call fails as if the agent had gone while it runs on: the client is replaced, and each
// notification after that is handled once, not by the replaced client as well.
TEST_F(ProgramTest, AReplacedClientHearsNoMoreNotifications) {
    using namespace agentproto;
    ParceloProcess program("");
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispConfigure).size() == 1; }));
    script.Set("18.hr", 0x800706BE);  // asked by the progress display
    ASSERT_TRUE(AgentScript::Fire(EventProgress, 40));
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispGetFilesToGo).size() == 1; }));
    script.Remove("18.hr");
    ASSERT_TRUE(AgentScript::Fire(EventProgress, 50));  // its handler asks for the client again
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispConfigure).size() == 2; }));

    const std::pair<int, std::string> boxes[] = {{104, "Authentication failed"},
                                                 {109, "Operation is not allowed: User is not logged in"}};
    for (const auto& expected : boxes) {
        ASSERT_TRUE(AgentScript::Fire(EventStatus, expected.first));
        HWND box = program.Dialog("Parcelo");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), expected.second);  // a second box for the code before would come here
        PostClick(box, IDOK);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    }
    EXPECT_EQ(program.Exit(), 0u);
}

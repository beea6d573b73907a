// parcelo.exe as a process: its switches, its window, and an orderly end with exit code 0,
// against the stand-in agent in scripted mode.
#include <gtest/gtest.h>

#include <string>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/integration/AgentScript.h"
#include "tests/support/ProgramProcess.h"

namespace {

class Program : public ProgramProcess {
public:
    explicit Program(const std::string& arguments) : ProgramProcess("\"" + WindowsPath(PARCELO_EXE) + "\"" + arguments) {}
    // The program's drop window, once it exists.
    HWND Window(DWORD timeoutMs = 15000) const { return WaitForWindow("Sonavo", nullptr, timeoutMs); }
    DWORD WaitForExit(DWORD timeoutMs = 15000) const { return ProgramProcess::WaitForExit(timeoutMs); }
};

std::string ReadPositionVisible() {
    char text[16] = {};
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo\\Position", "Visible", RRF_RT_REG_SZ, nullptr, text,
                 &size);
    return text;
}

}  // namespace

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo"); }
    void TearDown() override {
        // A server whose client was ended by force would keep ctest's output open for ever.
        AgentScript::KillServer();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo");
    }
    AgentScript script;
};

TEST_F(ProgramTest, ClearRegEndsAtOnceWithoutAWindow) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo\\User", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegCloseKey(key);
    Program program(" /clearreg");
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_TRUE(script.Log().empty());  // never connected to the agent
}

TEST_F(ProgramTest, StartsShownConnectsAndEndsInOrderOnExit) {
    Program program(" /showparcelo");
    ASSERT_TRUE(program.Started());
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(agentproto::DispConfigure).size() == 1; }));
    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ReadPositionVisible(), "False");  // saved at exit, inverted: it was shown
}

TEST_F(ProgramTest, EveryStartIsItsOwnProcessWithItsOwnWindow) {
    Program first(""), second("");
    HWND a = first.Window(), b = second.Window();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_FALSE(IsWindowVisible(a));
    PostMessageA(a, WM_COMMAND, ID_CMD_EXIT, 0);
    PostMessageA(b, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(first.WaitForExit(), 0u);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_EQ(ReadPositionVisible(), "True");  // both hidden at exit
}

// A call fails as if the agent had gone while it runs on: the client is replaced, and each
// notification after that is handled once, not by the replaced client as well.
TEST_F(ProgramTest, AReplacedClientHearsNoMoreNotifications) {
    using namespace agentproto;
    Program program("");
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
        HWND box = program.WaitForWindow("#32770", "Parcelo", 15000);
        ASSERT_NE(box, nullptr);
        char text[128] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        EXPECT_EQ(std::string(text), expected.second);  // a second box for the code before would come here
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    }
    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
}

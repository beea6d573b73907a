// parcelo.exe as a user drives it: keys through its own message loop, its tray icon, the
// Proxy setup dialog with the real message box, and what it leaves behind when it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/AgentScript.h"
#include "tests/support/Input.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"

class ProgramCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductKey();
        SetCursorPos(700, 500);
        trayBefore = TrayIconWindows();
    }
    void TearDown() override {
        AgentScript::KillServer();  // a server left running would outlive the test run
        DeleteProductKey();
    }
    // Gives the program's window the keyboard, as a click on it would.
    static bool Front(HWND window) {
        SetForegroundWindow(window);
        return PumpUntil([&] { return GetForegroundWindow() == window; });
    }

    AgentScript script;
    std::vector<HWND> trayBefore;
};

TEST_F(ProgramCommandTest, KeysAndTheTrayIconWorkTheRealProgramUntilItsExit) {
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    HWND icon = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        const std::vector<HWND> added = TrayIconsAddedSince(trayBefore);
        icon = added.empty() ? nullptr : added.back();
        return icon != nullptr;
    }));

    ASSERT_TRUE(Front(window));
    PressKeys({VK_CONTROL, 'D'});
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }));
    DoubleClickLeft(CentreOf(icon));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));

    ASSERT_TRUE(Front(window));
    PressKeys({VK_CONTROL, 'X'});
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return TrayIconWindows() == trayBefore; })) << "the icon went with the program";
    EXPECT_EQ(StoredText("Proxy", "UseProxy"), "False");
}

TEST_F(ProgramCommandTest, TheProxyDialogRefusesABadAddressWithARealBoxAndStoresAGoodOne) {
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, ID_CMD_PROXY_SETTINGS, 0);
    HWND dialog = program.Dialog("Proxy setup");
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, IDC_PROXY_IP);
    EXPECT_FALSE(IsWindowEnabled(field));
    PostClick(dialog, IDC_USE_PROXY);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(field) != FALSE; }));
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10.9.8"));
    PostClick(dialog, IDOK);

    HWND box = program.Dialog("Proxy entry is invalid");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), "Bad IP address format.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
    PostClick(box, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(TextOf(field), "10.9.8");

    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10.9.8.7"));
    PostClick(dialog, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(StoredText("Proxy", "UseProxy"), "True");
    EXPECT_EQ(StoredText("Proxy", "ProxyIP"), "10.9.8.7");
}

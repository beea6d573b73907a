// The ways to the program's commands that a person uses: the menu at a right click on the
// window, the keyboard (Shift+F10 and the Ctrl accelerators), the tray icon's double-click;
// and what Exit leaves behind: the settings in the registry, and no agent process.
#include "res/resource.h"
#include "tests/e2e/UserSessionFixture.h"


namespace {

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }

}  // namespace

class MenuAndTrayTest : public UserSessionTest {
protected:
    // Every case's window starts in the open, so that a menu opened from it has room on every side.
    void SetUp() override {
        UserSessionTest::SetUp();
        StorePosition(600, 400);
    }
};

TEST_F(MenuAndTrayTest, DisplayParceloInTheMenuAndCtrlDHideTheWindowAndTheTrayIconsDoubleClickBringsItBack) {
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(CentreOf(window).x, 600 + SKIN_SIZE.width / 2) << "not at the stored place";

    const POINT click = CentreOf(window);
    ClickRight(click);
    HWND menu = program.Menu();
    ASSERT_NE(menu, nullptr) << "no menu of the program after a right click on its window";
    RECT menuRect = {}, windowRect = {};
    GetWindowRect(menu, &menuRect);
    GetWindowRect(window, &windowRect);
    // Opened at the pointer.
    EXPECT_EQ(menuRect.left, click.x);
    EXPECT_EQ(menuRect.top, click.y);
    RECT both = {};
    UnionRect(&both, &menuRect, &windowRect);
    SaveScreen({both.left - 20, both.top - 20, both.right + 20, both.bottom + 20}, "docs-context-menu");

    // The first item, "Display Parcelo", checked while the window shows.
    ClickLeft({(menuRect.left + menuRect.right) / 2, menuRect.top + 8});
    EXPECT_TRUE(PumpUntil([&] { return !Visible(window); })) << "Display Parcelo left the window on the screen";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(menu) || !Visible(menu); }));
    EXPECT_TRUE(program.Running());

    // The notification area Wine shows without a desktop: a small window of the shell's
    // process at the top left of the screen, one icon after the other.
    HWND trayIcon = TrayIcon();
    ASSERT_NE(trayIcon, nullptr) << "no icon of the program in the notification area";
    const POINT icon = CentreOf(trayIcon);
    DoubleClickLeft(icon);
    EXPECT_TRUE(PumpUntil([&] { return Visible(window); })) << "a double-click on the tray icon did not show the window";
    MoveMouse({10, 500});
    DoubleClickLeft(icon);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(window); })) << "a second double-click did not hide it again";
    MoveMouse({10, 500});
    DoubleClickLeft(icon);
    ASSERT_TRUE(PumpUntil([&] { return Visible(window); }));

    // Ctrl+D does what the menu item does. Hidden, the window gets no more keys.
    ASSERT_NO_FATAL_FAILURE(ClickToMakeActive(window));
    PressKeys({VK_CONTROL, 'D'});
    EXPECT_TRUE(PumpUntil([&] { return !Visible(window); })) << "Ctrl+D did not hide the window";
    EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(MenuAndTrayTest, ShiftF10AndTheMenuKeyOpenTheMenuAndCtrlXEndsTheProgram) {
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NO_FATAL_FAILURE(ClickToMakeActive(window));  // the window that takes the keys

    PressKeys({VK_SHIFT, VK_F10});
    HWND menu = program.Menu();
    ASSERT_NE(menu, nullptr) << "Shift+F10 opened no menu";
    RECT menuRect = {}, windowRect = {};
    GetWindowRect(menu, &menuRect);
    GetWindowRect(window, &windowRect);
    // From the keyboard it opens at the window's top left corner, not at the pointer.
    EXPECT_EQ(menuRect.left, windowRect.left);
    EXPECT_EQ(menuRect.top, windowRect.top);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(menu) || !Visible(menu); })) << "Escape left the menu open";
    ASSERT_TRUE(WaitUntilReadyForKeys(window));

    PressKeys({VK_APPS});
    menu = program.Menu();
    ASSERT_NE(menu, nullptr) << "the menu key opened no menu";
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(menu) || !Visible(menu); }));
    ASSERT_TRUE(WaitUntilReadyForKeys(window));

    PressKeys({VK_CONTROL, 'X'});
    EXPECT_EQ(program.WaitForExit(), 0u) << "Ctrl+X did not end the program";
}

TEST_F(MenuAndTrayTest, ExitEndsTheAgentAndKeepsTheWindowsPlaceAndTheSettingsForTheNextStart) {
    {
        ParceloProcess program;
        HWND window = program.ShownWindow();
        ASSERT_NE(window, nullptr);

        // Moved with the mouse: the whole window is a handle to carry it by.
        RECT before = {};
        GetWindowRect(window, &before);
        MoveMouse(CentreOf(window));
        PressLeft();
        GlideMouse({CentreOf(window).x - 400, CentreOf(window).y - 300}, 10);
        ReleaseLeft();
        RECT after = {};
        ASSERT_TRUE(PumpUntil([&] {
            GetWindowRect(window, &after);
            return after.left == before.left - 400 && after.top == before.top - 300;
        })) << "the window did not follow the mouse: " << after.left << "," << after.top;

        DWORD agent = 0;
        ExitThroughMenu(program, window, &agent);
        ASSERT_NE(agent, 0u) << "no agent while the menu was open";
        EXPECT_TRUE(WaitForProcessEnd(agent)) << "the agent outlived the program";
        EXPECT_EQ(AgentScript::AgentPid(), 0u);

        EXPECT_EQ(StoredNumber("Position", "X"), static_cast<DWORD>(after.left));
        EXPECT_EQ(StoredNumber("Position", "Y"), static_cast<DWORD>(after.top));
        EXPECT_EQ(StoredNumber("Position", "Remind Time"), 0u);
        EXPECT_EQ(StoredText("Proxy", "UseProxy"), "False");
        EXPECT_EQ(StoredText("Proxy", "ProxyIP"), "");
        EXPECT_EQ(StoredText("User", "User name"), "");
        EXPECT_EQ(StoredText("User", "Password"), "");
        EXPECT_EQ(StoredNumber("User", "Auto Login"), 0u);
    }

    // The next start puts the window back where it was left.
    ParceloProcess again;
    HWND window = again.ShownWindow();
    ASSERT_NE(window, nullptr);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(static_cast<DWORD>(rect.left), StoredNumber("Position", "X"));
    EXPECT_EQ(static_cast<DWORD>(rect.top), StoredNumber("Position", "Y"));
    ExitThroughMenu(again, window);
}

// The Sign In dialog hides itself before it ends, while its owner is still disabled, so the
// system makes some other program's window the active one; the program takes it back.
TEST_F(MenuAndTrayTest, TheWindowStillTakesTheKeysAfterSigningInThroughTheDialog) {
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NO_FATAL_FAILURE(ClickToMakeActive(window));  // the window that takes the keys
    PressKeys({VK_CONTROL, 'S'});
    ConfirmSignIn(program, "keys pass", false);
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", ""));
    EXPECT_TRUE(WaitUntilReadyForKeys(window, 5000)) << "the window is not the active one";
    PressKeys({VK_CONTROL, 'D'});
    EXPECT_TRUE(PumpUntil([&] { return !Visible(window); }, 5000)) << "Ctrl+D did not reach the window";
    EXPECT_EQ(program.Exit(), 0u);
}

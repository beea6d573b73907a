// The notification-area icon: what its callbacks do, what the shell is told, and how the
// icon comes back after the notification area has lost it or refused it.
#include "tests/commands/CommandFixture.h"

#include <algorithm>
#include <cstdio>

#include "res/resource.h"
#include "tests/support/WindowFacts.h"

namespace {

std::string Hex(UINT value) {
    char text[16];
    std::snprintf(text, sizeof text, "%#x", value);
    return text;
}

}  // namespace

TEST_F(CommandTest, OnlyADoubleClickAndTheRightButtonDoAnything) {
    Open();
    const Items menu = {"posted WM_NCRBUTTONDOWN", "sent WM_ENTERMENULOOP", "sent WM_EXITMENULOOP", "posted WM_NULL"};
    const std::pair<UINT, Items> callbacks[] = {
        {WM_MOUSEMOVE, {}},        {WM_LBUTTONDOWN, {}},    {WM_LBUTTONUP, {}},
        {WM_LBUTTONDBLCLK, {"sent WM_COMMAND 32769,1"}},    {WM_RBUTTONDOWN, menu},
        {WM_RBUTTONUP, {}},        {WM_RBUTTONDBLCLK, {}},  {WM_MBUTTONDOWN, {}},
        {WM_MBUTTONUP, {}},        {WM_MBUTTONDBLCLK, {}},  {WM_CONTEXTMENU, {}},
        {NIN_SELECT, {}},          {NIN_KEYSELECT, {}},     {NIN_BALLOONUSERCLICK, {}},
        {WM_LBUTTONDBLCLK, {"sent WM_COMMAND 32769,1"}},
    };
    bool visible = false;
    for (const auto& callback : callbacks) {
        const auto menus = MenusOf(TrayCallbackMessage, TRAY_ICON_ID, callback.first);
        Items expected = {"sent tray " + Hex(callback.first)};
        expected.insert(expected.end(), callback.second.begin(), callback.second.end());
        EXPECT_EQ(TakeMessages(), expected);
        EXPECT_EQ(menus.size(), callback.first == WM_RBUTTONDOWN ? 1u : 0u);
        if (callback.first == WM_LBUTTONDBLCLK) visible = !visible;
        EXPECT_EQ(IsWindowVisible(handle) != FALSE, visible) << Hex(callback.first);
    }
}

// The shell's own icon window, clicked with the real mouse, calls back as sent messages.
TEST_F(CommandTest, ClicksOnTheRealIconReachTheWindow) {
    const std::vector<HWND> before = TrayIconWindows();
    Open();
    const std::vector<HWND> added = TrayIconsAddedSince(before);
    ASSERT_EQ(added.size(), 1u);
    const POINT icon = CentreOf(added[0]);
    // Waits for the icon's call back for each release.
    auto clickAndWait = [&](DWORD down, DWORD up, int times, UINT release, Items& seen) {
        MouseAt(icon, down, up, times);
        const std::string last = "sent tray " + Hex(release);
        ASSERT_TRUE(RunLoopUntil([&] {
            for (const std::string& m : TakeMessages()) seen.push_back(m);
            return std::count(seen.begin(), seen.end(), last) == times;
        }));
    };
    for (bool shown : {true, false}) {
        Items seen;
        clickAndWait(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2, WM_LBUTTONUP, seen);
        EXPECT_EQ(IsWindowVisible(handle) != FALSE, shown);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "sent WM_COMMAND 32769,1"), 1);
    }
    Items single;
    clickAndWait(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 1, WM_LBUTTONUP, single);
    EXPECT_FALSE(IsWindowVisible(handle));
    for (const std::string& m : single) EXPECT_EQ(m.find("WM_COMMAND"), std::string::npos) << m;

    Items right;
    const auto menus = Menus([&] { clickAndWait(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1, WM_RBUTTONUP, right); });
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_NE(std::find(right.begin(), right.end(), "posted WM_NCRBUTTONDOWN"), right.end());
    EXPECT_EQ(menus[0].at.x, icon.x);
    EXPECT_EQ(menus[0].at.y, icon.y);
}

TEST_F(CommandTest, TheShellIsToldTheFirstRecordVersionWithMessageIconAndACutTip) {
    Open();
    ASSERT_EQ(trayCalls.size(), 1u);
    const TrayCall& added = trayCalls[0];
    EXPECT_EQ(added.action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(added.size, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
    EXPECT_EQ(added.id, TRAY_ICON_ID);
    EXPECT_EQ(added.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(added.callback, static_cast<UINT>(WM_USER + 103));
    EXPECT_TRUE(added.icon);
    EXPECT_EQ(added.tip, "Doubleclick to open or close Parcelo!");
    EXPECT_TRUE(added.result);
    EXPECT_TRUE(TrayHasIcon(handle, TRAY_ICON_ID));

    // A tip longer than the record holds is cut to 63 characters; the icon stays the caller's.
    const std::wstring longTip(100, L'x');
    const OwnedIcon icon(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));
    ASSERT_TRUE(IconParts(icon.Get()).Valid());
    EXPECT_TRUE(NotifyTrayIcon(handle, 7, icon.Get(), longTip.c_str(), NIM_ADD));
    EXPECT_EQ(trayCalls.back().tip, std::string(63, 'x'));
    EXPECT_TRUE(IconParts(icon.Get()).Valid()) << "destroyed by the call";
    EXPECT_TRUE(NotifyTrayIcon(handle, 7, nullptr, nullptr, NIM_DELETE));
    EXPECT_EQ(trayCalls.back().tip, "");
}

// The shell announces a new notification area; the icon must be there once, whether the
// area still knew it or not.
TEST_F(CommandTest, ANewNotificationAreaGetsTheIconOnce) {
    const size_t others = TrayIconWindows().size();
    Open();
    ASSERT_EQ(TrayIconWindows().size(), others + 1);
    trayCalls.clear();
    SendMessageA(handle, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(trayCalls.size(), 2u);
    EXPECT_EQ(trayCalls[0].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(trayCalls[0].result) << "the area still has it";
    EXPECT_EQ(trayCalls[1].action, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(trayCalls[1].result);
    EXPECT_EQ(TrayIconWindows().size(), others + 1);

    NOTIFYICONDATAA lost;
    ZeroMemory(&lost, sizeof lost);
    lost.cbSize = NOTIFYICONDATAA_V1_SIZE;
    lost.hWnd = handle;
    lost.uID = TRAY_ICON_ID;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
    ASSERT_EQ(TrayIconWindows().size(), others);
    trayCalls.clear();
    SendMessageA(handle, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(trayCalls.size(), 1u);
    EXPECT_EQ(trayCalls[0].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(trayCalls[0].result);
    EXPECT_EQ(TrayIconWindows().size(), others + 1);
    EXPECT_FALSE(KillTimer(handle, TRAY_RETRY_TIMER_ID)) << "no retry pending";
    // Each attempt hands over a live icon, and the window keeps its own.
    EXPECT_TRUE(trayCalls[0].icon);
    EXPECT_TRUE(IconParts(reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_SMALL, 0))).Valid());
}

TEST_F(CommandTest, ARefusedIconIsRetriedLaterAndLaterUntilItIsAccepted) {
    // A second after the first refusal, then twice the last wait each time, a minute at most.
    UINT delay = 0;
    std::vector<UINT> delays;
    for (int i = 0; i < 9; ++i) delays.push_back(delay = NextTrayRetryDelay(delay));
    EXPECT_EQ(delays, (std::vector<UINT>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));

    const size_t others = TrayIconWindows().size();
    refuseTray = true;
    Open();
    ASSERT_EQ(trayCalls.size(), 2u);  // add, then the change an existing icon would take
    // The first retry comes from the system's timer.
    ASSERT_TRUE(RunLoopUntil([&] { return trayCalls.size() == 4; }));
    // Later ones are handed over at once rather than waited for; a new notification area
    // meanwhile is one more attempt.
    for (int i = 0; i < 6; ++i) {
        PostMessageA(handle, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
        RunLoop();
    }
    SendMessageA(handle, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(trayCalls.size(), 2u + 2 * 8);
    for (const TrayCall& call : trayCalls) EXPECT_FALSE(call.result);
    EXPECT_EQ(TrayIconWindows().size(), others);
    EXPECT_TRUE(KillTimer(handle, TRAY_RETRY_TIMER_ID)) << "no retry pending while refused";
    SetTimer(handle, TRAY_RETRY_TIMER_ID, USER_TIMER_MINIMUM, nullptr);

    // Accepted at last: the icon is there, once, with no retry left, and stays one icon when
    // the notification area is made anew.
    refuseTray = false;
    trayCalls.clear();
    ASSERT_TRUE(RunLoopUntil([&] { return !trayCalls.empty(); }));
    ASSERT_EQ(trayCalls.size(), 1u);
    EXPECT_EQ(trayCalls[0].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(KillTimer(handle, TRAY_RETRY_TIMER_ID)) << "a retry is still pending";
    EXPECT_EQ(TrayIconWindows().size(), others + 1);
    SendMessageA(handle, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(TrayIconWindows().size(), others + 1);
}

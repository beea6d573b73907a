// The drop window as the system sees it: class, styles, place, start-up switches, the
// order of creation, deferred start and destruction, and its reference-counted life.
#include "tests/fakes/MainWindowFixture.h"

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/MessageLog.h"
#include "tests/support/Owned.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"

using namespace agentproto;

namespace {

std::string Name(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    case WM_SETTEXT: return "WM_SETTEXT";
    case WM_SETICON: return wParam == ICON_SMALL ? "WM_SETICON(small)" : "WM_SETICON(big)";
    case WM_SHOWWINDOW: return "WM_SHOWWINDOW";
    case WM_WINDOWPOSCHANGED: return "WM_WINDOWPOSCHANGED";
    case DeferredStartMessage: return "DeferredStart";
    default: return "";
    }
}

}  // namespace

TEST_F(MainWindowTest, TheWindowIsATopmostHiddenPopupOfClassSonavoAtTheLowerRight) {
    Open();
    EXPECT_EQ(ClassNameOf(handle), "Sonavo");
    EXPECT_EQ(TextOf(handle), "Parcelo");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_STYLE)) & ~WS_CLIPSIBLINGS, WS_POPUP | WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongPtrA(handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowVisible(handle));
    RECT rect;
    GetWindowRect(handle, &rect);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXFULLSCREEN));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYFULLSCREEN));
    EXPECT_EQ(rect.right - rect.left, SKIN_SIZE.width);  // whatever the frame metrics
    EXPECT_EQ(rect.bottom - rect.top, SKIN_SIZE.height);
    const HICON smallIcon = reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_SMALL, 0));
    const HICON largeIcon = reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_BIG, 0));
    // Each at the system's size for it, not one image squeezed or stretched to the other.
    EXPECT_EQ(IconParts(smallIcon).Size().cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconParts(smallIcon).Size().cy, GetSystemMetrics(SM_CYSMICON));
    EXPECT_EQ(IconParts(largeIcon).Size().cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(SendMessageA(handle, WM_NCHITTEST, 0, MAKELPARAM(rect.left + 5, rect.top + 5)), HTCAPTION);
}

TEST_F(MainWindowTest, ShowParceloShowsTheWindowAtTheDeferredStartOnlyAndADoubleClickHidesIt) {
    Open(L" /showparcelo", false);
    EXPECT_FALSE(IsWindowVisible(handle));
    RunLoop();
    EXPECT_TRUE(IsWindowVisible(handle));
    SendMessageA(handle, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_FALSE(IsWindowVisible(handle));
}

TEST_F(MainWindowTest, CreationDeferredStartAndDestructionHappenInOrder) {
    MessageLog log(&Name);
    fakeAgent.onCall = [&](DISPID id) { log.entries.push_back("agent:" + std::to_string(id)); };
    // A Position key: the deferred start places the window.
    CreateKey(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\Position");
    Open(L" /registeruser", false);
    RunLoop();
    DestroyWindow(handle);
    fakeAgent.onCall = nullptr;
    const std::vector<std::string> expected = {
        "sent WM_CREATE", "sent WM_SETTEXT", "sent WM_SETICON(small)", "sent WM_SETICON(big)",
        "posted DeferredStart", "sent WM_WINDOWPOSCHANGED",  // settings place the window
        "agent:13", "agent:15", "agent:14",                  // connect: version, status, configure
        "agent:21",                                          // register a new user
        "sent WM_DESTROY", "sent WM_NCDESTROY"};
    std::vector<std::string> seen;
    for (const std::string& event : log.entries)
        if (seen.empty() || event != "sent WM_WINDOWPOSCHANGED" || seen.back() == "posted DeferredStart")
            seen.push_back(event);
    EXPECT_EQ(seen, expected);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(MainWindowTest, DestructionSavesWhileTheWindowExistsAndEndsTheLoop) {
    MainWindow& main = Open(L" /showparcelo");
    AgentSessionParts(main.Session()).settings.userName = L"me@example.com";
    SetWindowPos(handle, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(handle, WM_CLOSE, 0, 0);  // as the system's close does
    EXPECT_EQ(main.windowHandle, nullptr);
    // Stored inverted: shown when it was closed, though the system hides a window before
    // WM_DESTROY reaches it.
    EXPECT_EQ(StoredText("Position", "Visible"), "False");
    EXPECT_EQ(StoredNumber("Position", "X"), 40u);
    EXPECT_EQ(References(), 2u);  // the test's hold and WM_CREATE's; the drop registration is gone
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(MainWindowTest, TheLastReleaseDestroysTheAgentClientWhileOleIsUp) {
    Open();
    ASSERT_NE(window->Session().CurrentClient(), nullptr);
    EXPECT_GT(fakeAgent.refs, 1);
    DestroyWindow(handle);
    RunLoop();
    window->Release();  // the test's hold
    window->Release();  // the start-up code's: the end of the object
    window = nullptr;
    EXPECT_EQ(fakeAgent.refs, 1);
    EXPECT_EQ(fakeAgent.sink, nullptr);
    EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST_F(MainWindowTest, RegisterUserNeedsAnAgent) {
    g_state.agent = nullptr;
    Open(L" /registeruser");
    ASSERT_EQ(g_state.boxes.size(), 1u);
    EXPECT_NE(g_state.boxes[0].text.find("failure code '2'"), std::string::npos);
    EXPECT_EQ(g_state.boxes[0].owner, handle);
    EXPECT_EQ(fakeAgent.Count(DispRegisterUser), 0);
}

TEST_F(MainWindowTest, TheCursorIsAHandOverTheWindowAndTheSystemsElsewhere) {
    Open(L" /showparcelo");
    const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    EXPECT_EQ(SendMessageA(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)), 1);
    const HCURSOR grab = GetCursor();
    EXPECT_EQ(SendMessageA(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE)), 1);
    const HCURSOR open = GetCursor();
    EXPECT_TRUE(grab && open && grab != open && grab != arrow && open != arrow);
    EXPECT_EQ(SendMessageA(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTERROR, WM_LBUTTONDOWN)), 0);
    EXPECT_EQ(SendMessageA(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTCAPTION, WM_LBUTTONDBLCLK)), 0);
}

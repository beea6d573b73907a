#include "tests/commands/CommandFixture.h"

#include <cstdio>

#include "tests/support/Files.h"
#include "tests/support/Input.h"

namespace {

CommandTest* g_test = nullptr;
std::vector<SeenMenu>* g_menus = nullptr;
const std::function<void(HWND)>* g_inside = nullptr;

BOOL WINAPI RecordTray(DWORD action, PNOTIFYICONDATAW data) {
    const BOOL result = g_test && g_test->refuseTray ? FALSE : Shell_NotifyIconW(action, data);
    if (g_test)
        g_test->trayCalls.push_back({action, data->cbSize, data->uID, data->uFlags, data->uCallbackMessage,
                                     IconParts(data->hIcon).Valid(), Utf8(data->szTip), result});
    return result;
}

std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
    char text[64];
    switch (message) {
    case WM_COMMAND:
        std::snprintf(text, sizeof text, "WM_COMMAND %u,%u", LOWORD(wParam), HIWORD(wParam));
        return text;
    case WM_SYSCOMMAND:
        std::snprintf(text, sizeof text, "WM_SYSCOMMAND %#x", static_cast<unsigned>(wParam & 0xFFF0));
        return text;
    case TrayCallbackMessage:
        std::snprintf(text, sizeof text, "tray %#x", static_cast<unsigned>(lParam));
        return text;
    case WM_NULL: return "WM_NULL";
    case WM_CHAR: return "WM_CHAR";
    case WM_NCRBUTTONDOWN: return "WM_NCRBUTTONDOWN";
    case WM_NCLBUTTONDBLCLK: return "WM_NCLBUTTONDBLCLK";
    case WM_CONTEXTMENU: return "WM_CONTEXTMENU";
    case WM_ENTERMENULOOP: return "WM_ENTERMENULOOP";
    case WM_EXITMENULOOP: return "WM_EXITMENULOOP";
    default: return "";
    }
}

SeenMenu ReadMenu(HWND menuWindow) {
    SeenMenu seen = {{0, 0}, {}};
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(menuWindow, &rect);
    seen.at = {rect.left, rect.top};
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        MENUITEMINFOA item;
        ZeroMemory(&item, sizeof item);
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            seen.items.push_back("-");
            continue;
        }
        std::string text = std::to_string(item.wID) + ((item.fState & MFS_GRAYED) ? ":off" : ":on");
        if (item.fState & MFS_CHECKED) text += "+checked";
        seen.items.push_back(text);
    }
    return seen;
}

void ProbeMenus(const CWPSTRUCT& sent) {
    if (sent.message != WM_ENTERIDLE || sent.wParam != MSGF_MENU) return;
    // Without a menu window it is the system's keyboard menu mode: seen, and ended.
    // A menu no test asked for is ended too, so that it cannot hold the test up.
    HWND menuWindow = reinterpret_cast<HWND>(sent.lParam);
    if (g_menus) g_menus->push_back(menuWindow ? ReadMenu(menuWindow) : SeenMenu{{-1, -1}, {"keyboard menu mode"}});
    if (g_menus && menuWindow && g_inside && *g_inside)
        (*g_inside)(menuWindow);
    else
        EndMenu();
}

}  // namespace

void CommandTest::SetUp() {
    MainWindowTest::SetUp();
    // Away from every window, the tray's icons included: a pointer left over an icon by an
    // earlier test would make it call back with mouse moves.
    SetCursorPos(700, 500);
    g_test = this;
    g_shellNotifyIcon = &RecordTray;
    log_ = std::make_unique<MessageLog>(&Describe, &ProbeMenus);
}

void CommandTest::TearDown() {
    MainWindowTest::TearDown();
    log_.reset();
    g_shellNotifyIcon = &Shell_NotifyIconW;
    g_test = nullptr;
}

void CommandTest::ShowInFront(int x, int y) {
    UINT flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOZORDER;
    if (x < 0) flags |= SWP_NOMOVE;
    SetWindowPos(handle, nullptr, x, y, 0, 0, flags);
    SetForegroundWindow(handle);
    SetFocus(handle);
    RunLoop();
    ASSERT_EQ(GetForegroundWindow(), handle);
    ASSERT_EQ(GetFocus(), handle);
    TakeMessages();
}

bool CommandTest::Chord(const std::vector<WORD>& keys) {
    SendKeys(keys, false);
    const bool quit = RunLoop();
    SendKeys(keys, true);
    return RunLoop() || quit;
}

void CommandTest::MouseAt(POINT at, DWORD downFlag, DWORD upFlag, int times) {
    SetCursorPos(at.x, at.y);
    SendButtons(downFlag, upFlag, times);
    RunLoop();
}

std::vector<SeenMenu> CommandTest::Menus(const std::function<void()>& open, const std::function<void(HWND)>& inside) {
    std::vector<SeenMenu> seen;
    g_menus = &seen;
    g_inside = &inside;
    open();
    g_menus = nullptr;
    g_inside = nullptr;
    return seen;
}

std::vector<std::string> CommandTest::TakeMessages() { return log_->Take(); }

bool TrayHasIcon(HWND owner, UINT id) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

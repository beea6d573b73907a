// The drop window's commands and its pop-up menu.
#include <cstddef>

#include "res/resource.h"
#include "ui/MainWindow.h"
#include "ui/ProxyDialog.h"
#include "ui/SignInDialog.h"

namespace {

// The record without its item-bitmap member, which every version accepts. Measured from the
// structure: a fixed 44 is that size for 32-bit code only, and a 64-bit SetMenuItemInfoW
// refuses it, leaving every item in its resource state.
constexpr UINT MENU_ITEM_INFO_SIZE = offsetof(MENUITEMINFOW, hbmpItem);
constexpr UINT MENU_ORDER[] = {ID_CMD_DISPLAY_TOGGLE, ID_CMD_SIGN_IN, ID_CMD_SIGN_OUT, ID_CMD_GOTO_LOCKER, ID_CMD_EXIT};

}  // namespace

// Asks the client as it stands; ShowContextMenu has made sure it exists if it can.
UINT MainWindow::MenuItemState(UINT id) const {
    const auto enabledIf = [](bool enabled) -> UINT { return enabled ? MFS_ENABLED : MFS_GRAYED; };
    switch (id) {
    case ID_CMD_DISPLAY_TOGGLE: return MFS_ENABLED | (IsWindowVisible(windowHandle) == 1 ? MFS_CHECKED : 0);
    case ID_CMD_SIGN_IN: return enabledIf(session.MaySignIn());
    case ID_CMD_SIGN_OUT: return enabledIf(session.MaySignOut());
    case ID_CMD_GOTO_LOCKER: return enabledIf(session.MayOpenLocker());
    case ID_CMD_EXIT: return MFS_ENABLED;
    default: return MFS_GRAYED;
    }
}

void MainWindow::ShowContextMenu(bool byMouse) {
    OwnedMenu menu(LoadMenuW(GetAppModule().instance, MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup) return;
    POINT at = {0, 0};
    if (byMouse) {
        GetCursorPos(&at);
    } else {
        RECT rect;
        GetWindowRect(windowHandle, &rect);
        at = {rect.left, rect.top};
    }
    SetForegroundWindow(windowHandle);
    // Connect once for the whole menu: an unreachable agent is reported once, and its
    // items stay grayed, rather than one failure box per item.
    session.Client();
    for (UINT id : MENU_ORDER) {
        MENUITEMINFOW item;
        ZeroMemory(&item, sizeof item);
        item.cbSize = MENU_ITEM_INFO_SIZE;
        item.fMask = MIIM_STATE;
        item.fState = MenuItemState(id);
        SetMenuItemInfoW(popup, id, FALSE, &item);
    }
    TrackPopupMenu(popup, 0, at.x, at.y, 0, windowHandle, nullptr);
    PostMessageW(windowHandle, WM_NULL, 0, 0);
}

LRESULT MainWindow::OnDisplayToggle(WORD, WORD, HWND, bool&) {
    ShowWindow(windowHandle, IsWindowVisible(windowHandle) ? SW_HIDE : SW_SHOW);
    return 0;
}

LRESULT MainWindow::OnGotoLocker(WORD, WORD, HWND, bool&) {
    session.OpenLocker();
    return 0;
}

LRESULT MainWindow::OnSignIn(WORD, WORD, HWND, bool&) {
    session.ShowSignInDialog();
    return 0;
}

LRESULT MainWindow::OnSignOut(WORD, WORD, HWND, bool&) {
    session.SignOutWhenIdle();
    return 0;
}

LRESULT MainWindow::OnExit(WORD, WORD, HWND, bool&) {
    session.ReportRefusedSoFar();
    CloseDropWindow();
    return 0;
}

LRESULT MainWindow::OnContextMenu(WORD, WORD, HWND, bool&) {
    ShowContextMenu(false);
    return 0;
}

int MainWindow::RunSignInDialog() {
    if (seams.runSignInDialog) return static_cast<int>(seams.runSignInDialog(windowHandle));
    SignInDialog dialog(session);
    const int result = static_cast<int>(dialog.RunModal(IDD_SIGNIN, windowHandle));
    // The dialog hides itself while this window is still disabled, so the system hands the
    // activation to some other program and Ctrl+D would go there. Take it back, but only if
    // the user was working in the dialog and this window is on screen.
    if (dialog.hadForeground && IsWindowVisible(windowHandle)) SetForegroundWindow(windowHandle);
    return result;
}

LRESULT MainWindow::OnProxySettings(WORD, WORD, HWND, bool&) {
    ProxyDialog dialog(seams.messageBox);
    dialog.useProxy = session.Settings().useProxy;
    dialog.proxyIP = session.Settings().proxyIP;
    if (dialog.RunModal(IDD_PROXY, GetActiveWindow()) == IDOK) session.SetProxy(dialog.useProxy, dialog.proxyIP);
    return 0;
}

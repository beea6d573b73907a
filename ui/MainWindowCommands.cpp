// The drop window's commands and its pop-up menu.
#include <cstddef>

#include "agent/StatusTable.h"
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

// Queries the client as it stands; ShowContextMenu has made sure it exists if it can.
void MainWindow::GetMenuItemState(UINT id) {
    ZeroMemory(&menuItemInfo, sizeof menuItemInfo);
    menuItemInfo.cbSize = MENU_ITEM_INFO_SIZE;
    menuItemInfo.fMask = MIIM_STATE;
    UINT state = MFS_GRAYED;
    AgentClient* client = nullptr;
    int toGo = -1, signedIn = 0;
    switch (id) {
    case ID_CMD_DISPLAY_TOGGLE:
        state = MFS_ENABLED | (IsWindowVisible(windowHandle) == 1 ? MFS_CHECKED : 0);
        break;
    case ID_CMD_SIGN_IN:
        client = agentClient.Current();
        if (client && SUCCEEDED(client->GetFilesToGo(&toGo)) && toGo == 0) state = MFS_ENABLED;
        break;
    case ID_CMD_SIGN_OUT:
        client = agentClient.Current();
        if (client && SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn != 0 &&
            SUCCEEDED(client->GetFilesToGo(&toGo)) && toGo == 0)
            state = MFS_ENABLED;
        break;
    case ID_CMD_GOTO_LOCKER:
        client = agentClient.Current();
        if (client && SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn == 1) state = MFS_ENABLED;
        break;
    case ID_CMD_EXIT: state = MFS_ENABLED; break;
    default: break;
    }
    menuItemInfo.fState = state;
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
    GetAgentClient();
    for (UINT id : MENU_ORDER) {
        GetMenuItemState(id);
        SetMenuItemInfoW(popup, id, FALSE, &menuItemInfo);
    }
    TrackPopupMenu(popup, 0, at.x, at.y, 0, windowHandle, nullptr);
    PostMessageW(windowHandle, WM_NULL, 0, 0);
}

LRESULT MainWindow::OnDisplayToggle(WORD, WORD, HWND, bool&) {
    ShowWindow(windowHandle, IsWindowVisible(windowHandle) ? SW_HIDE : SW_SHOW);
    return 0;
}

LRESULT MainWindow::OnGotoLocker(WORD, WORD, HWND, bool&) {
    if (AgentClient* client = GetAgentClient()) client->OpenLocker();
    return 0;
}

LRESULT MainWindow::OnSignIn(WORD, WORD, HWND, bool&) {
    receiver.ShowSignInDialog();
    return 0;
}

LRESULT MainWindow::OnSignOut(WORD, WORD, HWND, bool&) {
    AgentClient* client = GetAgentClient();
    int status = 0;
    if (client && SUCCEEDED(client->GetStatus(&status)) && status == STATUS_SIGNED_IN_IDLE) client->SignOut();
    return 0;
}

LRESULT MainWindow::OnExit(WORD, WORD, HWND, bool&) {
    handOver.ReportRefusedSoFar(receiver);
    CloseDropWindow();
    return 0;
}

LRESULT MainWindow::OnContextMenu(WORD, WORD, HWND, bool&) {
    ShowContextMenu(false);
    return 0;
}

int MainWindow::RunSignInDialog() {
    if (seams.runSignInDialog) return static_cast<int>(seams.runSignInDialog(windowHandle));
    SignInDialog dialog(settings, receiver, deferredLogin);
    const int result = static_cast<int>(dialog.RunModal(IDD_SIGNIN, windowHandle));
    // The dialog hides itself while this window is still disabled, so the system hands the
    // activation to some other program and Ctrl+D would go there. Take it back, but only if
    // the user was working in the dialog and this window is on screen.
    if (dialog.hadForeground && IsWindowVisible(windowHandle)) SetForegroundWindow(windowHandle);
    return result;
}

LRESULT MainWindow::OnProxySettings(WORD, WORD, HWND, bool&) {
    ProxyDialog dialog(seams.messageBox);
    dialog.useProxy = settings.useProxy;
    dialog.proxyIP = settings.proxyIP;
    if (dialog.RunModal(IDD_PROXY, GetActiveWindow()) == IDOK) {
        settings.useProxy = dialog.useProxy;
        settings.proxyIP = dialog.proxyIP;
    }
    return 0;
}

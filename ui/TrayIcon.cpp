#include "ui/TrayIcon.h"

const wchar_t* const TRAY_TIP = L"Doubleclick to open or close Parcelo!";

BOOL(WINAPI* g_shellNotifyIcon)(DWORD, PNOTIFYICONDATAW) = &Shell_NotifyIconW;

BOOL NotifyTrayIcon(HWND owner, UINT id, HICON icon, const wchar_t* tip, DWORD action) {
    NOTIFYICONDATAW data;
    ZeroMemory(&data, sizeof data);
    // The first version of the record: every shell accepts it, and nothing newer is used.
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    if (tip) lstrcpynW(data.szTip, tip, 64);
    return g_shellNotifyIcon(action, &data);
}

#include "ui/TrayIcon.h"

const char* const TRAY_TIP = "Doubleclick to open or close Parcelo!";

BOOL(WINAPI* g_shellNotifyIcon)(DWORD, PNOTIFYICONDATAA) = &Shell_NotifyIconA;

BOOL NotifyTrayIcon(HWND owner, UINT id, HICON icon, const char* tip, DWORD action) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    // The first version of the record: every shell accepts it, and nothing newer is used.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    if (tip) lstrcpynA(data.szTip, tip, 64);
    return g_shellNotifyIcon(action, &data);
}

// The program's one notification-area icon.
#pragma once

#include <windows.h>

constexpr UINT TRAY_ICON_ID = 1000;
constexpr UINT TrayCallbackMessage = WM_USER + 103;
extern const char* const kTrayTip;

// Adds, changes or deletes the icon; always with message, icon and tip. Destroys `icon`
// afterwards, as the notification area keeps its own copy. Non-zero on success.
BOOL NotifyTrayIcon(HWND owner, UINT id, HICON icon, const char* tip, DWORD action);

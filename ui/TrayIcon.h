// The program's one notification-area icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

constexpr UINT TRAY_ICON_ID = 1000;
constexpr UINT TrayCallbackMessage = WM_USER + 103;
extern const wchar_t* const TRAY_TIP;

// Adds, changes or deletes the icon; always with message, icon and tip. `icon` stays the
// caller's: the notification area keeps its own copy. Non-zero on success.
BOOL NotifyTrayIcon(HWND owner, UINT id, HICON icon, const wchar_t* tip, DWORD action);

// The shell call behind it. Tests put a recorder in front of it, or a refusal: a real
// notification area cannot be made to refuse on demand.
extern BOOL(WINAPI* g_shellNotifyIcon)(DWORD action, PNOTIFYICONDATAW data);

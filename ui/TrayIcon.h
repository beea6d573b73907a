// The program's one notification-area icon. The window starts hidden, so the icon is the only
// way to the program: a notification area that is not ready yet, or that has been made anew,
// must not leave it without one.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "win/OwnedHandle.h"

constexpr UINT TRAY_ICON_ID = 1000;
constexpr UINT TrayCallbackMessage = WM_USER + 103;
constexpr UINT TRAY_RETRY_TIMER_ID = 12;
extern const wchar_t* const TRAY_TIP;

// Adds, changes or deletes the icon; always with message, icon and tip. `icon` stays the
// caller's: the notification area keeps its own copy. Non-zero on success.
BOOL NotifyTrayIcon(HWND owner, UINT id, HICON icon, const wchar_t* tip, DWORD action);

// The shell call behind it. Tests put a recorder in front of it, or a refusal: a real
// notification area cannot be made to refuse on demand.
extern BOOL(WINAPI* g_shellNotifyIcon)(DWORD action, PNOTIFYICONDATAW data);

// The wait before the next try after a refusal: a second, then twice the last, a minute at most.
UINT NextTrayRetryDelay(UINT lastDelay);

class TrayIcon {
public:
    explicit TrayIcon(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    // The image it shows, made for `dpi`; false when it already had one for that DPI.
    bool UseImage(OwnedIcon image, UINT dpi);
    bool HasImageFor(UINT dpi) const { return image_ && dpi == dpi_; }
    // Puts the icon in place, or tries again later (the owner's TRAY_RETRY_TIMER_ID) while
    // the notification area refuses it. An add refused because the icon is still there
    // counts as done: never a second icon.
    void Show();
    // A new image goes to an icon in place; a retry pending takes it anyway.
    void Refresh();
    void Remove();
    // The registered message a notification area that has been made anew sends.
    static UINT TaskbarCreatedMessage();

private:
    HWND owner_;
    OwnedIcon image_;
    UINT dpi_ = 0;
    UINT retryDelay_ = 0;  // 0 while the icon is in place
};

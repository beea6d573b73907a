#include "ui/TrayIcon.h"

#include <utility>

namespace {

constexpr UINT RETRY_FIRST_MS = 1000;
constexpr UINT RETRY_LAST_MS = 60000;

}  // namespace

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

UINT NextTrayRetryDelay(UINT lastDelay) {
    if (lastDelay == 0) return RETRY_FIRST_MS;
    return lastDelay >= RETRY_LAST_MS / 2 ? RETRY_LAST_MS : lastDelay * 2;
}

bool TrayIcon::UseImage(OwnedIcon image, UINT dpi) {
    if (HasImageFor(dpi)) return false;
    image_ = std::move(image);
    dpi_ = dpi;
    return true;
}

void TrayIcon::Show() {
    auto notify = [this](DWORD action) {
        return NotifyTrayIcon(owner_, TRAY_ICON_ID, image_.Get(), TRAY_TIP, action) != FALSE;
    };
    if (notify(NIM_ADD) || notify(NIM_MODIFY)) {
        // Only a pending retry has a timer to stop; the usual start has none.
        if (retryDelay_ != 0) KillTimer(owner_, TRAY_RETRY_TIMER_ID);
        retryDelay_ = 0;
        return;
    }
    retryDelay_ = NextTrayRetryDelay(retryDelay_);
    SetTimer(owner_, TRAY_RETRY_TIMER_ID, retryDelay_, nullptr);  // replaces the running one
}

void TrayIcon::Refresh() {
    if (retryDelay_ == 0) Show();
}

void TrayIcon::Remove() {
    KillTimer(owner_, TRAY_RETRY_TIMER_ID);
    retryDelay_ = 0;
    NotifyTrayIcon(owner_, TRAY_ICON_ID, nullptr, L"", NIM_DELETE);
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

// Tells screen readers about the drop window's status: answers WM_GETOBJECT with the window's
// accessible object (and, where UI Automation is there, with its provider), and raises the
// change events when a status line changes, spaced by an AnnounceGate. Owns both objects and
// cuts every outside reference to them when the window goes.
#pragma once

#include <windows.h>

#include <string>

#include "ui/AccessibleStatus.h"
#include "ui/AnnounceGate.h"
#include "ui/StatusLines.h"
#include "ui/StatusProvider.h"
#include "win/ComPtr.h"

constexpr UINT ANNOUNCE_TIMER_ID = 14;

class StatusAnnouncer {
public:
    explicit StatusAnnouncer(const StatusLines& lines) : lines_(lines) {}
    StatusAnnouncer(const StatusAnnouncer&) = delete;
    StatusAnnouncer& operator=(const StatusAnnouncer&) = delete;

    void SetWindow(HWND window) { window_ = window; }
    // WM_GETOBJECT: `handled` is cleared for the objects the system makes itself.
    LRESULT Answer(WPARAM flags, LPARAM objectId, bool& handled);
    // A line may have changed; what a reader is told changed is announced now or a little later.
    void Changed();
    // ANNOUNCE_TIMER_ID: what was held is announced.
    void OnTimer();
    // WM_DESTROY: nothing outside keeps either object, and nothing more is announced.
    void WindowGone();

private:
    // The lines as drawn now; only those that differ from what was told are announced.
    void Announce(std::wstring line1, std::wstring line2);
    AccessibleStatus* Accessible();

    const StatusLines& lines_;
    HWND window_ = nullptr;
    ComPtr<AccessibleStatus> accessible_;
    ComPtr<StatusProvider> provider_;
    AnnounceGate gate_;
    bool timerSet_ = false;
    std::wstring told1_, told2_;  // the lines as last announced
};

// The drop window's settings: read once at the deferred start (which also places the window
// and may start the automatic sign-in), written once when the window goes.
#include <climits>
#include <cstdint>

#include "settings/SettingsStore.h"
#include "ui/DropLayout.h"
#include "ui/MainWindow.h"

namespace {

// Whether a window of this size with its top left corner at (x, y) would show on some
// monitor. Computed in 64 bits: a stored corner near the end of the range must not wrap
// round to a place on the screen.
bool ShowsOnAMonitor(HWND window, int32_t x, int32_t y) {
    RECT now = {0, 0, 0, 0};
    GetWindowRect(window, &now);
    const int64_t right = static_cast<int64_t>(x) + (now.right - now.left);
    const int64_t bottom = static_cast<int64_t>(y) + (now.bottom - now.top);
    if (right > LONG_MAX || bottom > LONG_MAX) return false;
    const RECT placed = {x, y, static_cast<LONG>(right), static_cast<LONG>(bottom)};
    return MonitorFromRect(&placed, MONITOR_DEFAULTTONULL) != nullptr;
}

// A place stored at a lower scale holds the corner of a smaller window: the growth must not
// carry the window off the work area of its monitor (the coordinates that were read, only).
void KeepGrowthOnMonitor(HWND window, bool movesX, bool movesY, int32_t& x, int32_t& y) {
    RECT now = {0, 0, 0, 0};
    GetWindowRect(window, &now);
    const int width = now.right - now.left, height = now.bottom - now.top;
    const RECT placed = {x, y, static_cast<LONG>(static_cast<int64_t>(x) + width),
                         static_cast<LONG>(static_cast<int64_t>(y) + height)};
    MONITORINFO monitor;
    ZeroMemory(&monitor, sizeof monitor);
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&placed, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    if (movesX) x = KeepGrowthInside(x, width, SKIN_SIZE.width, monitor.rcWork.right);
    if (movesY) y = KeepGrowthInside(y, height, SKIN_SIZE.height, monitor.rcWork.bottom);
}

}  // namespace

void MainWindow::LoadSettings() {
    const StoredPlace place = session.ReadSettings();
    if (place.keyPresent) {
        const int32_t defaultX = GetSystemMetrics(SM_CXFULLSCREEN) - ScaleToDpi(DEFAULT_PLACE_INSET.width, dpi);
        const int32_t defaultY = GetSystemMetrics(SM_CYFULLSCREEN) - ScaleToDpi(DEFAULT_PLACE_INSET.height, dpi);
        int32_t x = place.hasX ? place.x : defaultX, y = place.hasY ? place.y : defaultY;
        bool readX = place.hasX, readY = place.hasY;
        // A place on a monitor that is no longer there (or a corrupt one) would leave the
        // window where nobody can see it or drop onto it, and it would be saved there again.
        if (!ShowsOnAMonitor(windowHandle, x, y)) {
            x = defaultX;
            y = defaultY;
            readX = readY = false;
        }
        KeepGrowthOnMonitor(windowHandle, readX, readY, x, y);
        SetWindowPos(windowHandle, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    }
    session.SignInAutomatically();
}

void MainWindow::SaveSettings() {
    const bool visible = visibleAtClose >= 0 ? visibleAtClose == 1 : IsWindowVisible(windowHandle) != FALSE;
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(windowHandle, &rect);
    session.WriteSettings(rect, visible);
}

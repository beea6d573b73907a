// The drop window at the display's scale: its size, skin, font, cursors and icons made for the
// DPI of the monitor it is on, and made again when it moves to a monitor of another scale.
#include <utility>

#include "res/resource.h"
#include "ui/DisplayDpi.h"
#include "ui/MainWindow.h"
#include "ui/SkinFrames.h"
#include "ui/TrayIcon.h"

namespace {

HCURSOR LoadCursorAt(HINSTANCE module, int id, int size) {
    return static_cast<HCURSOR>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_CURSOR, size, size, 0));
}

// The image of that size from the icon's group, the program's own to destroy: LoadIconW would
// give a shared icon at the system's large size only.
HICON LoadIconAt(HINSTANCE module, int id, int width, int height) {
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, 0));
}

// The rectangle a WM_DPICHANGED points to. Any program can send the message, and its pointer
// then means nothing here: it is read with a call that fails instead of faulting.
bool ReadSuggestedRect(LPARAM lParam, RECT& out) {
    SIZE_T read = 0;
    return lParam && ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &out, sizeof out,
                                       &read) &&
           read == sizeof out;
}

// Whether a suggested length is the scaled one, give or take the system's rounding.
bool CloseTo(LONG suggested, int wanted) {
    const LONG slack = wanted / 8;
    return suggested >= wanted - slack && suggested <= wanted + slack;
}

}  // namespace

void MainWindow::LoadArtForDpi() {
    status.SetDpi(dpi);
    HINSTANCE module = GetAppModule().instance;
    const int cursor = MetricForDpi(SM_CXCURSOR, dpi);
    OwnedCursor open(LoadCursorAt(module, IDC_OPEN_HAND, cursor));
    OwnedCursor grab(LoadCursorAt(module, IDC_GRAB_HAND, cursor));
    // A hand on the screen now is replaced before it is destroyed.
    const HCURSOR shown = GetCursor();
    if (shown && shown == openHandCursor.Get()) SetCursor(open.Get());
    if (shown && shown == grabHandCursor.Get()) SetCursor(grab.Get());
    openHandCursor = std::move(open);
    grabHandCursor = std::move(grab);
    OwnedIcon small(
        LoadIconAt(module, IDI_PARCELO_SMALL, MetricForDpi(SM_CXSMICON, dpi), MetricForDpi(SM_CYSMICON, dpi)));
    OwnedIcon large(
        LoadIconAt(module, IDI_PARCELO_LARGE, MetricForDpi(SM_CXICON, dpi), MetricForDpi(SM_CYICON, dpi)));
    // So are the window's icons, once it has any.
    if (windowHandle && smallIcon) {
        SendMessageW(windowHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
        SendMessageW(windowHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.Get()));
    }
    smallIcon = std::move(small);
    largeIcon = std::move(large);
}

void MainWindow::LoadSkinForWindow() {
    RECT client = {0, 0, 0, 0};
    GetClientRect(windowHandle, &client);
    LoadSkinFrames(GetAppModule().resourceInstance, dpi, {client.right, client.bottom}, skinFrames);
}

// The notification area draws its icons at its own monitor's scale.
bool MainWindow::LoadTrayIconForMonitor() {
    const UINT monitorDpi = DpiOfPrimaryMonitor();
    if (tray.HasImageFor(monitorDpi)) return false;
    return tray.UseImage(OwnedIcon(LoadIconAt(GetAppModule().instance, IDI_PARCELO_SMALL,
                                              MetricForDpi(SM_CXSMICON, monitorDpi),
                                              MetricForDpi(SM_CYSMICON, monitorDpi))),
                         monitorDpi);
}

// The window was made for the primary monitor's DPI; should the system have placed it on
// another monitor, it takes that one's, keeping its lower right corner.
void MainWindow::FitToWindowDpi() {
    const UINT windowDpi = DpiOfWindow(windowHandle);
    if (windowDpi == dpi) return;
    dpi = windowDpi;
    LoadArtForDpi();
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(windowHandle, &rect);
    const LayoutSize size = ScaleToDpi(SKIN_SIZE, dpi);
    SetWindowPos(windowHandle, nullptr, rect.right - size.width, rect.bottom - size.height, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved to a monitor of another scale, or its scale changed: the suggested rectangle, which
// keeps the window from bouncing between two monitors, and everything drawn made afresh.
LRESULT MainWindow::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    dpi = UsableDpi(LOWORD(wParam));
    LoadArtForDpi();
    if (LoadTrayIconForMonitor()) tray.Refresh();

    const LayoutSize size = ScaleToDpi(SKIN_SIZE, dpi);
    RECT place = {0, 0, 0, 0};
    if (!ReadSuggestedRect(lParam, place)) GetWindowRect(windowHandle, &place);
    const LONG width = place.right - place.left, height = place.bottom - place.top;
    const bool suggestedSize = CloseTo(width, size.width) && CloseTo(height, size.height);
    SetWindowPos(windowHandle, nullptr, place.left, place.top, suggestedSize ? width : size.width,
                 suggestedSize ? height : size.height, SWP_NOZORDER | SWP_NOACTIVATE);
    LoadSkinForWindow();
    Repaint();
    return 0;
}

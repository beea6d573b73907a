#include "ui/DisplayDpi.h"

#include "ui/DropLayout.h"
#include "win/OwnedHandle.h"

namespace {

using DpiForWindowCall = UINT(WINAPI*)(HWND);
using DpiForSystemCall = UINT(WINAPI*)();
using MetricsForDpiCall = int(WINAPI*)(int, UINT);
using DpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int type, UINT* x, UINT* y);
constexpr int EFFECTIVE_DPI = 0;  // MDT_EFFECTIVE_DPI

template <class Call>
Call Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

HMODULE User32() {
    static const HMODULE module = GetModuleHandleW(L"user32.dll");
    return module;
}

// Windows 8.1 and later; loaded once and kept, as the system keeps it loaded anyway.
DpiForMonitorCall DpiForMonitor() {
    static const DpiForMonitorCall call = [] {
        HMODULE shcore = GetModuleHandleW(L"shcore.dll");
        if (!shcore) shcore = LoadLibraryW(L"shcore.dll");
        return Lookup<DpiForMonitorCall>(shcore, "GetDpiForMonitor");
    }();
    return call;
}

UINT DpiOfMonitor(HMONITOR monitor) {
    UINT x = 0, y = 0;
    if (DpiForMonitorCall call = DpiForMonitor())
        if (monitor && SUCCEEDED(call(monitor, EFFECTIVE_DPI, &x, &y)) && x != 0) return UsableDpi(x);
    return DpiOfSystem();
}

}  // namespace

UINT DpiOfSystem() {
    static const DpiForSystemCall call = Lookup<DpiForSystemCall>(User32(), "GetDpiForSystem");
    if (call) return UsableDpi(call());
    const WindowDc screen(nullptr);
    const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return UsableDpi(dpi > 0 ? static_cast<UINT>(dpi) : 0);
}

UINT DpiOfWindow(HWND window) {
    static const DpiForWindowCall call = Lookup<DpiForWindowCall>(User32(), "GetDpiForWindow");
    if (call) {
        const UINT dpi = call(window);
        if (dpi != 0) return UsableDpi(dpi);
    }
    return DpiOfMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

UINT DpiOfPrimaryMonitor() {
    const POINT origin = {0, 0};  // the primary monitor's top left corner, by definition
    return DpiOfMonitor(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY));
}

int MetricForDpi(int index, UINT dpi) {
    static const MetricsForDpiCall call = Lookup<MetricsForDpiCall>(User32(), "GetSystemMetricsForDpi");
    if (call) return call(index, UsableDpi(dpi));
    return MulDiv(GetSystemMetrics(index), static_cast<int>(UsableDpi(dpi)), static_cast<int>(DpiOfSystem()));
}

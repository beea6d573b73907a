// The DPI of a window, of the primary monitor and of the system, and system metrics at a DPI,
// from the newest call the system has: each is looked up when first needed, since Windows 7
// and 8.1 lack some of them. What a call gives is held to MIN_DPI..MAX_DPI.
#pragma once

#include <windows.h>

#include "ui/DropLayout.h"

// GetDpiForWindow; else the DPI of the window's monitor; else the system's.
UINT DpiOfWindow(HWND window);
// The monitor that carries the notification area: its DPI follows a change of its scale
// while the program runs, which the system's DPI does not.
UINT DpiOfPrimaryMonitor();
// The DPI the system had when the process started.
UINT DpiOfSystem();
// GetSystemMetricsForDpi; else the metric at the system's DPI, scaled.
int MetricForDpi(int index, UINT dpi);

inline RECT ToRect(const LayoutRect& r) { return {r.left, r.top, r.right, r.bottom}; }

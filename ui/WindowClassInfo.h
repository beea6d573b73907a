// A window class registration that happens once, on first use.
#pragma once

#include <windows.h>

class WindowClassInfo {
public:
    WindowClassInfo(const WNDCLASSEXW& data, LPCWSTR cursorId, bool systemCursor)
        : classData(data), cursorId(cursorId), systemCursor(systemCursor) {}

    // The class atom; 0 when registration failed.
    ATOM EnsureRegistered();

    WNDCLASSEXW classData;
    LPCWSTR cursorId;
    bool systemCursor;
    ATOM atom = 0;
};

// Owners for what a test opens: kernel handles, registry keys, hooks, windows, DCs, GDI objects
// and the bitmaps of an icon. The product's own owners serve where they fit.
#pragma once

#include <windows.h>

#include "agent/UniqueHandle.h"
#include "ui/OwnedHandle.h"


struct CloseRegKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct RemoveHook {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
struct DestroyWindowHandle {
    void operator()(HWND window) const { DestroyWindow(window); }
};
struct DestroyCursorHandle {
    void operator()(HCURSOR cursor) const { DestroyCursor(cursor); }
};
struct DestroyAcceleratorTableHandle {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};

using OwnedKey = OwnedHandle<HKEY, CloseRegKey>;
using OwnedHook = OwnedHandle<HHOOK, RemoveHook>;
using OwnedWindow = OwnedHandle<HWND, DestroyWindowHandle>;
using OwnedCursor = OwnedHandle<HCURSOR, DestroyCursorHandle>;
using OwnedAccelerators = OwnedHandle<HACCEL, DestroyAcceleratorTableHandle>;
using OwnedModule = OwnedHandle<HMODULE, FreeModule>;

// The DC of a window (of the screen for null) for one scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// What GetIconInfo tells of an icon or cursor; the bitmaps it hands out go with the object.
class IconParts {
public:
    explicit IconParts(HICON icon) : valid_(icon && GetIconInfo(icon, &info_)) {
        if (!valid_) info_ = {};
        color_.Reset(info_.hbmColor);
        mask_.Reset(info_.hbmMask);
    }
    IconParts(const IconParts&) = delete;
    IconParts& operator=(const IconParts&) = delete;
    bool Valid() const { return valid_; }
    const ICONINFO& Info() const { return info_; }

private:
    ICONINFO info_ = {};
    bool valid_;
    OwnedBitmap color_, mask_;
};

// Owners for what a test opens: kernel handles, registry keys, hooks, windows, DCs, GDI objects
// and the bitmaps of an icon. The product's own owners serve where they fit.
#pragma once

#include <windows.h>
#include <ole2.h>

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
struct DestroyAcceleratorTableHandle {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};

using OwnedKey = OwnedHandle<HKEY, CloseRegKey>;
using OwnedHook = OwnedHandle<HHOOK, RemoveHook>;
using OwnedWindow = OwnedHandle<HWND, DestroyWindowHandle>;
using OwnedAccelerators = OwnedHandle<HACCEL, DestroyAcceleratorTableHandle>;
using OwnedModule = OwnedHandle<HMODULE, FreeModule>;

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
    // The image's size in pixels (a monochrome one's mask holds two images, one above the other).
    SIZE Size() const {
        BITMAP facts = {};
        GetObjectW(info_.hbmColor ? info_.hbmColor : info_.hbmMask, sizeof facts, &facts);
        return {facts.bmWidth, info_.hbmColor ? facts.bmHeight : facts.bmHeight / 2};
    }

private:
    ICONINFO info_ = {};
    bool valid_;
    OwnedBitmap color_, mask_;
};

// OLE set up on this thread for one scope.
class OleScope {
public:
    OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope() {
        if (ok_) OleUninitialize();
    }
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

// Move-only owners of Win32 handles, one template for every kind: the kind's deleter frees a
// handle and, where null is not the only value that holds nothing, says which values hold one
// (a static Holds). Also guards for one scope: a window's DC, an object selected into a DC.
// Icons and cursors from LoadIconW and LoadCursorW, or from LoadImageW with LR_SHARED, are
// shared and must never be given to an owner; those from LoadImageW without LR_SHARED are the
// caller's.
#pragma once

#include <windows.h>
#include <type_traits>
#include <utility>

template <class Free, class H, class = void>
struct HasHolds : std::false_type {};
template <class Free, class H>
struct HasHolds<Free, H, std::void_t<decltype(Free::Holds(std::declval<H>()))>> : std::true_type {};

template <class H, class Free>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(H adopted) : h_(adopted) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    ~OwnedHandle() { Reset(); }

    void Reset(H adopted = nullptr) {
        H old = std::exchange(h_, adopted);
        if (Holds(old)) Free()(old);
    }
    H Get() const { return h_; }
    bool Valid() const { return Holds(h_); }
    explicit operator bool() const { return Valid(); }
    // Hands the handle to the caller, who frees it from now on.
    H Release() { return std::exchange(h_, nullptr); }
    // For out-parameters: frees what is held and hands out the slot.
    H* Put() {
        Reset();
        return &h_;
    }

private:
    static bool Holds(H h) {
        if constexpr (HasHolds<Free, H>::value)
            return Free::Holds(h);
        else
            return h != nullptr;
    }

    H h_ = nullptr;
};

// The deleter that calls one Win32 function.
template <auto FREE>
struct FreeWith {
    template <class H>
    void operator()(H h) const {
        FREE(h);
    }
};

using DeleteGdiObject = FreeWith<&DeleteObject>;
using OwnedBitmap = OwnedHandle<HBITMAP, DeleteGdiObject>;
using OwnedFont = OwnedHandle<HFONT, DeleteGdiObject>;
using OwnedMemoryDc = OwnedHandle<HDC, FreeWith<&DeleteDC>>;
using OwnedIcon = OwnedHandle<HICON, FreeWith<&DestroyIcon>>;
using OwnedCursor = OwnedHandle<HCURSOR, FreeWith<&DestroyCursor>>;
using OwnedMenu = OwnedHandle<HMENU, FreeWith<&DestroyMenu>>;
using OwnedKey = OwnedHandle<HKEY, FreeWith<&RegCloseKey>>;
using OwnedHook = OwnedHandle<HHOOK, FreeWith<&UnhookWindowsHookEx>>;
using OwnedWindow = OwnedHandle<HWND, FreeWith<&DestroyWindow>>;
using OwnedAccelerators = OwnedHandle<HACCEL, FreeWith<&DestroyAcceleratorTable>>;
using OwnedModule = OwnedHandle<HMODULE, FreeWith<&FreeLibrary>>;

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

// Selects an object into a DC for one scope and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// What a test opens is owned by the shared owners of win/ (kernel handles, registry keys, hooks,
// windows, modules, DCs, GDI objects, COM on a thread), included here; only the bitmaps of an
// icon, which no product code takes apart, have an owner of the tests' own.
#pragma once

#include <windows.h>

#include "win/ComScope.h"
#include "win/OwnedHandle.h"
#include "win/UniqueHandle.h"

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

#include "tests/support/Clipboard.h"

#include <cstring>

#include "tests/support/Owned.h"

bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
    OwnedWindow owner(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    if (!owner || !OpenClipboard(owner.Get())) return false;
    EmptyClipboard();
    bool put = true;
    if (size) {
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
        if (global) {
            std::memcpy(GlobalLock(global), bytes, size);
            GlobalUnlock(global);
        }
        put = global && SetClipboardData(format, global) != nullptr;
        if (!put && global) GlobalFree(global);
    }
    CloseClipboard();
    return put;
}

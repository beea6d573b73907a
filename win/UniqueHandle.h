// Owning kernel handle, move-only. Kernel calls answer failure with either NULL or
// INVALID_HANDLE_VALUE (CreateFileW, CreateToolhelp32Snapshot), so both hold nothing.
#pragma once

#include "win/OwnedHandle.h"

struct CloseKernelHandle {
    static bool Holds(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    void operator()(HANDLE h) const { CloseHandle(h); }
};

using UniqueHandle = OwnedHandle<HANDLE, CloseKernelHandle>;

// COM set up on this thread for one scope: ComScope for a single-threaded apartment, OleScope
// for OLE besides (drag and drop, the clipboard).
#pragma once

#include <windows.h>
#include <ole2.h>

template <bool Ole>
class ThreadCom {
public:
    ThreadCom() : ok_(SUCCEEDED(Start())) {}
    ThreadCom(const ThreadCom&) = delete;
    ThreadCom& operator=(const ThreadCom&) = delete;
    ~ThreadCom() {
        if (!ok_) return;
        if constexpr (Ole)
            OleUninitialize();
        else
            CoUninitialize();
    }
    bool Ok() const { return ok_; }

private:
    static HRESULT Start() {
        if constexpr (Ole)
            return OleInitialize(nullptr);
        else
            return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    bool ok_;
};

using ComScope = ThreadCom<false>;
using OleScope = ThreadCom<true>;

#include "tests/support/MessagePump.h"

bool DispatchQueued(HWND window, HACCEL accelerators) {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = msg.wParam == 0;
            continue;
        }
        if (accelerators && TranslateAcceleratorW(window, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HWND window, HACCEL accelerators) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now < 50 ? end - now : 50), QS_ALLINPUT);
        DispatchQueued(window, accelerators);
    }
    return true;
}

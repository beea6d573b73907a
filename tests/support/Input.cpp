#include "tests/support/Input.h"

#include <cstdio>

#include "tests/support/MessagePump.h"

namespace {

// Sent input reaches the other programs through the server's queue; a short pause after each
// step lets them see the pointer where it is before the next step moves it on.
void Settle() { Sleep(40); }

INPUT Mouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    return input;
}

INPUT Key(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

}  // namespace

void MoveMouse(POINT to) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return;  // no screen to move on: the case fails on what it then sees
    // Rounded up, so that the server's scaling back to pixels lands on the pixel itself.
    Send({Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (to.x * 65536 + width - 1) / width,
                (to.y * 65536 + height - 1) / height)});
}

void GlideMouse(POINT to, int steps) {
    POINT from = {};
    GetCursorPos(&from);
    for (int i = 1; i <= steps; ++i)
        MoveMouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
}

void PressLeft() { Send({Mouse(MOUSEEVENTF_LEFTDOWN)}); }

void ReleaseLeft() { Send({Mouse(MOUSEEVENTF_LEFTUP)}); }

void ClickLeft(POINT at) {
    MoveMouse(at);
    PressLeft();
    ReleaseLeft();
}

void DoubleClickLeft(POINT at) {
    MoveMouse(at);
    SendButtons(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
}

void ClickRight(POINT at) {
    MoveMouse(at);
    Send({Mouse(MOUSEEVENTF_RIGHTDOWN)});
    Send({Mouse(MOUSEEVENTF_RIGHTUP)});
}

void SendButtons(DWORD downFlag, DWORD upFlag, int times) {
    std::vector<INPUT> inputs;
    for (int i = 0; i < times; ++i) {
        inputs.push_back(Mouse(downFlag));
        inputs.push_back(Mouse(upFlag));
    }
    Send(inputs);
}

void SendKeys(const std::vector<WORD>& keys, bool up) {
    std::vector<INPUT> inputs;
    if (up)
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(Key(*key, true));
    else
        for (WORD key : keys) inputs.push_back(Key(key, false));
    Send(inputs);
}

void PressKeys(const std::vector<WORD>& chord) {
    std::vector<INPUT> inputs;
    for (WORD key : chord) inputs.push_back(Key(key, false));
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) inputs.push_back(Key(*key, true));
    Send(inputs);
}

void PressKey(WORD key) { PressKeys({key}); }

void TypeKeys(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        inputs.push_back(Key(key, false));
        inputs.push_back(Key(key, true));
    }
    Send(inputs);
}

bool WaitUntilReadyForKeys(HWND window, DWORD timeoutMs) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info = {};
    const bool ready = PumpUntil(
        [&] {
            info = {};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(thread, &info) && info.hwndActive == window && GetForegroundWindow() == window &&
                   !(info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE | GUI_POPUPMENUMODE));
        },
        timeoutMs);
    if (!ready)
        fprintf(stderr, "not ready for keys: active %p focus %p capture %p flags 0x%lx, foreground %p\n",
                static_cast<void*>(info.hwndActive), static_cast<void*>(info.hwndFocus),
                static_cast<void*>(info.hwndCapture), info.flags, static_cast<void*>(GetForegroundWindow()));
    return ready;
}

// Waiting in a test while this thread's messages are dispatched: the program under test,
// COM and drag and drop all send messages to the waiting thread.
#pragma once

#include <windows.h>

#include <functional>

// Long enough for a cold agent start (a second under Wine) and a program's start on a busy machine.
constexpr DWORD WAIT_MS = 20000;

// Dispatches every message this thread's queue holds, keys through `accelerators` to `window`
// first as the program's own loop (RunMessageLoop) does; true when WM_QUIT with exit code 0 was
// among them.
bool DispatchQueued(HWND window = nullptr, HACCEL accelerators = nullptr);

// Dispatches this thread's messages until `done` holds or `timeoutMs` passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS, HWND window = nullptr,
               HACCEL accelerators = nullptr);

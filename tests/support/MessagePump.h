// Waiting in a test while this thread's messages are dispatched: the program under test,
// COM and drag and drop all send messages to the waiting thread.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches this thread's messages until `done` holds or `timeoutMs` passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// The mouse and the keyboard as a person uses them, through SendInput: what reaches the
// foreground window, whichever process it belongs to. Each call lets the input settle.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/support/MessagePump.h"

// The pointer to a screen point, as a hand moves it (not SetCursorPos).
void MoveMouse(POINT to);
// Moves in `steps` even steps from where the cursor is, so every program on the way sees the
// pointer travel.
void GlideMouse(POINT to, int steps = 8);
void PressLeft();
void ReleaseLeft();
void ClickLeft(POINT at);
// Both clicks in one batch, well inside the double-click time.
void DoubleClickLeft(POINT at);
void ClickRight(POINT at);
// `times` presses and releases of the buttons where the cursor is, in one batch: a press on a
// window's caption starts the system's move loop, which waits for the release.
void SendButtons(DWORD downFlag, DWORD upFlag, int times = 1);

// Keys down in the order given, or released in the reverse order.
void SendKeys(const std::vector<WORD>& keys, bool up);
// A chord such as {VK_CONTROL, 'D'}: down in order, up in reverse.
void PressKeys(const std::vector<WORD>& chord);
void PressKey(WORD key);
// Each key pressed and released in turn, as typing does.
void TypeKeys(const std::vector<WORD>& keys);

// True once `window` is the active window of its thread and that thread is in neither a menu
// nor a move loop (which would take keys meant for the window), within `timeoutMs`.
bool WaitUntilReadyForKeys(HWND window, DWORD timeoutMs = WAIT_MS);

// What a test reads of windows, its own or another process's: place, text, class, and the
// icons in the notification area Wine shows without a desktop; and a dialog's buttons pressed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The middle of a window, in screen coordinates.
POINT CentreOf(HWND window);
// Asked of the window itself, so that it works for another process's controls too. UTF-8.
std::string TextOf(HWND window);
// Sets a control's text, given in UTF-8, as wide text: exactly what a user could type.
void SetTextOf(HWND dialog, int id, const std::string& text);
std::string ClassNameOf(HWND window);
// The first child (at any depth) whose text is `text` (UTF-8), or null.
HWND ChildWithText(HWND parent, const std::string& text);

// Presses a dialog's button the way a click does: sent to this thread's own dialog, so that it
// has acted on return; posted to another process's, whose modal box would block a sent one.
void Click(HWND dialog, int id);
void PostClick(HWND dialog, int id);

// "Wine System Tray" when it shows, else null.
HWND TrayWindow();
// Its visible icon windows.
std::vector<HWND> TrayIconWindows();
// The icon windows that are there now and were not in `before`.
std::vector<HWND> TrayIconsAddedSince(const std::vector<HWND>& before);

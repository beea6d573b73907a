// The drop window's commands as a user reaches them: real menus, keys, clicks, tray icon and
// dialogs, in the test's own thread. What the window receives is recorded as data.
#pragma once

#include "tests/ui/MainWindowFixture.h"

#include <functional>
#include <string>
#include <vector>

#include "ui/TrayIcon.h"

// One call that reached the shell, as the recorder in front of it saw it.
struct TrayCall {
    DWORD action;
    DWORD size;
    UINT id;
    UINT flags;
    UINT callback;
    bool icon;  // a live icon when the shell got it
    std::string tip;
    BOOL result;
};

// A tracked pop-up menu, read while it was open: where it stood and its items as
// "id:on|off[+checked]" or "-" for a separator.
struct SeenMenu {
    POINT at;
    std::vector<std::string> items;
};

class CommandTest : public MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shows the window at `x`,`y` (its own place if negative) and gives it the keyboard.
    void ShowInFront(int x = 200, int y = 200);

    // app/Main.cpp's loop, run until the queue is empty; true once WM_QUIT has come.
    bool RunLoop();
    // The same loop, waiting for what another process sends; false if `done` never held.
    bool RunLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

    // Real keyboard input: presses the keys in order, runs the loop, releases them in
    // reverse order and runs the loop again.
    bool Chord(std::initializer_list<WORD> keys);
    // Real mouse buttons at a screen point, each event followed by a run of the loop.
    void Click(POINT at, DWORD downFlag, DWORD upFlag, int times = 1);

    // Runs `open` while a probe reads every menu it opens and then does `inside` with the
    // menu window (EndMenu when empty).
    std::vector<SeenMenu> Menus(const std::function<void()>& open,
                                const std::function<void(HWND menu)>& inside = nullptr);

    // Runs `open` while a script drives each dialog it shows: one step each time the dialog's
    // modal loop has nothing else to do. Returns the dialogs' owners.
    std::vector<HWND> Dialogs(const std::function<void()>& open, std::vector<std::function<void(HWND)>> steps);

    // The messages the window has received since the last call, filtered to those that tell
    // the command story: "sent WM_COMMAND 32769,1", "posted WM_NULL", ...
    std::vector<std::string> TakeMessages();

public:
    // What reached the shell; while `refuseTray` holds, the shell is not asked and the call fails.
    std::vector<TrayCall> trayCalls;
    bool refuseTray = false;
};

// The notification area's icon windows, in their order on screen.
std::vector<HWND> TrayIconWindows();
// Whether the notification area holds an icon for this window and id.
bool TrayHasIcon(HWND owner, UINT id);
POINT Centre(HWND window);
std::string TextOf(HWND window);

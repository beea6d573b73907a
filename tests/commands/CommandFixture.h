// The drop window's commands as a user reaches them: real menus, keys, clicks, tray icon and
// dialogs, in the test's own thread. What the window receives is recorded as data.
#pragma once

#include "tests/fakes/MainWindowFixture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/MessageLog.h"
#include "ui/TrayIcon.h"

using Items = std::vector<std::string>;

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

    // Real keyboard input: presses the keys in order, runs the loop, releases them in
    // reverse order and runs the loop again.
    bool Chord(const std::vector<WORD>& keys);
    // Real mouse buttons at a screen point, each event followed by a run of the loop.
    void MouseAt(POINT at, DWORD downFlag, DWORD upFlag, int times = 1);

    // Runs `open` while a probe reads every menu it opens and then does `inside` with the
    // menu window (EndMenu when empty).
    std::vector<SeenMenu> Menus(const std::function<void()>& open,
                                const std::function<void(HWND menu)>& inside = nullptr);
    // The same for a message sent to the window, the loop run after it.
    std::vector<SeenMenu> MenusOf(UINT message, WPARAM wParam, LPARAM lParam,
                                  const std::function<void(HWND menu)>& inside = nullptr) {
        return Menus(
            [&] {
                SendMessageA(handle, message, wParam, lParam);
                RunLoop();
            },
            inside);
    }

    // The messages the window has received since the last call, filtered to those that tell
    // the command story: "sent WM_COMMAND 32769,1", "posted WM_NULL", ...
    std::vector<std::string> TakeMessages();

public:
    // What reached the shell; while `refuseTray` holds, the shell is not asked and the call fails.
    std::vector<TrayCall> trayCalls;
    bool refuseTray = false;

private:
    std::unique_ptr<MessageLog> log_;
};

// Whether the notification area holds an icon for this window and id.
bool TrayHasIcon(HWND owner, UINT id);

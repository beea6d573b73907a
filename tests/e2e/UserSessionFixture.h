// What every end-to-end case starts from and leaves behind: no stand-in agent running (a
// fresh one starts signed out), no stored settings, a Locker folder of its own and an account
// name of its own; afterwards no process of the case and none of its files or values.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/LinuxProcess.h"
#include "tests/e2e/StatusMatcher.h"
#include "tests/support/AgentScript.h"
#include "tests/support/Files.h"
#include "tests/support/Input.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/ScopedRegValue.h"
#include "tests/support/WindowFacts.h"

class UserSessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An audio file of `chunks` times 64 KiB (plus a little) in the case's folder.
    std::string MakeSong(const char* name, int chunks = 1);
    std::string InLocker(const char* name) const;
    bool WaitForLockerFile(const char* name, DWORD timeoutMs = WAIT_MS) const;

    // Where a previous run would have left the window.
    static void StorePosition(DWORD x, DWORD y);

    // Fills the program's Sign In dialog and presses OK, as a person would.
    void ConfirmSignIn(const ParceloProcess& program, const std::string& password, bool automatic);

    // The program's icon in the notification area, once it is there.
    HWND TrayIcon() const;

public:
    // Drags from the middle of another program's window to the middle of `target` with the
    // left button held, and lets go there.
    static void DragWithMouse(HWND from, HWND target);
    // Starts the second Windows program with something to drag ("files" or "text").
    static std::string DragSourceCommand(POINT at, const std::string& kind, const std::string& item);
    static HWND DragSourceWindow(const ProgramProcess& source);

protected:
    // Waits until the drop window shows these two status lines over its skin.
    bool WaitForStatus(HWND window, const std::string& line1, const std::string& line2,
                       DWORD timeoutMs = WAIT_MS) const;
    // Saves the screen around `area` (with a margin) under the build folder, for the docs or
    // for a failure.
    static void SaveScreen(const RECT& area, const std::string& name);

    // Quits through the menu's last item, "Exit", opened with a right click on the window
    // once a left click has made it the active one, and expects the program to end with 0;
    // `agent` gets the agent's process id while the menu is open (the menu asks the agent
    // which items to enable).
    static void ExitThroughMenu(const ParceloProcess& program, HWND window, DWORD* agent = nullptr);
    // A click on the window, so that it is the active one and takes the keys; the mouse then
    // moves off it. Fails the test when the window does not become the active one.
    static void ClickToMakeActive(HWND window);

    AgentScript script;
    std::string folder_, locker_, account_;
    std::unique_ptr<ScopedRegValue> lockerRoot_;
    std::vector<HWND> trayBefore_;
};

// A real drop window in the test process, with an in-process agent, recorded boxes and a
// private registry hive.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/BoxRecorder.h"
#include "tests/support/Files.h"
#include "tests/support/MessagePump.h"
#include "tests/support/Owned.h"
#include "tests/support/PrivateHive.h"
#include "tests/fakes/AgentSessionParts.h"
#include "tests/fakes/FakeAgent.h"
#include "ui/MainWindow.h"

// What the seams see and answer; reset for every test.
struct WindowTestState : BoxRecorder {
    time_t now = 1700000000;
    FakeAgent* agent = nullptr;  // null: the agent cannot be created (failure code 2)
    int signInRuns = 0;
    INT_PTR signInAnswer = IDCANCEL;
};
extern WindowTestState g_state;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window; with `start`, also delivers the deferred start.
    MainWindow& Open(const wchar_t* commandLine = L"parcelo.exe", bool start = true);
    void Close();
    // Dispatches what the queue holds as the program's loop would (DispatchQueued: keys
    // through the program's accelerators first); true once WM_QUIT has come. Replaced agent
    // clients are not released between messages here: the window keeps them until it ends.
    bool RunLoop();
    // The same, waiting for what another process sends; false if `done` never held.
    bool RunLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS);
    // Once the window has handed every drop over: what AddFile held for the sign-in.
    std::vector<std::string> Handed();
    // The window object's reference count, and the effect it gives a drag now.
    ULONG References();
    DWORD EffectNow();

    FakeAgent fakeAgent;
    MainWindow* window = nullptr;
    HWND handle = nullptr;

private:
    std::unique_ptr<PrivateHive> hive_;  // the windows read and save their settings
    std::unique_ptr<OleScope> ole_;
};

// A real drop window in the test process, with an in-process agent and recorded boxes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/FakeAgent.h"
#include "ui/MainWindow.h"

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// What the seams see and answer; reset for every test.
struct WindowTestState {
    std::vector<RecordedBox> boxes;
    int boxAnswer = IDOK;
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
    MainWindow& Open(const char* commandLine = "parcelo.exe", bool start = true);
    void Close();
    static void Pump();
    // Once the window has handed every drop over: what AddFile held for the sign-in.
    std::vector<std::string> Handed();

    FakeAgent fakeAgent;
    MainWindow* window = nullptr;
    HWND handle = nullptr;
};

// The window's client area as 0x00RRGGBB pixels, top row first.
std::vector<uint32_t> CaptureClient(HWND window, int width, int height);
// What a bitmap resource looks like as the same pixels, with the status lines drawn over it
// the way the window should draw them.
std::vector<uint32_t> ExpectedFrame(int bitmapId, const std::string& line1, const std::string& line2, int width,
                                    int height);

void ClearProductKey();

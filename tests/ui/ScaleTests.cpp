// The program at 150 % and 200 %. Each case sets the display scale of the whole Wine session and
// starts fresh processes that take it, so each runs alone (SCALE in CMakeLists.txt): the real
// program, this program's checks of the drop window drawn at that scale (ScaledWindowChecks.cpp),
// and the resource tests' checks of the dialogs.
#include <gtest/gtest.h>

#include "tests/support/AgentScript.h"
#include "tests/support/DisplayScale.h"
#include "tests/support/Files.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "ui/DropLayout.h"

class DisplayScale : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override {
        AgentScript::KillServer();
        DeleteProductKey();
    }

    void ExpectEverythingAtScale(UINT dpi) {
        const ScopedDisplayScale scale(dpi);
        std::string output;
        EXPECT_EQ(RunTestsInNewProcess(ThisTestProgram(), "ScaledWindow.*", dpi, output), 0u) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
        EXPECT_EQ(RunTestsInNewProcess(Wide(RESOURCE_TESTS_EXE), "*Dialog.EveryControl*", dpi, output), 0u) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;

        // The real program: one skin frame at the scale.
        ParceloProcess program(" /showparcelo");
        const HWND window = program.ShownWindow();
        ASSERT_NE(window, nullptr);
        RECT rect = {};
        GetWindowRect(window, &rect);
        const LayoutSize size = ScaleToDpi(SKIN_SIZE, dpi);
        EXPECT_EQ(rect.right - rect.left, size.width);
        EXPECT_EQ(rect.bottom - rect.top, size.height);
        EXPECT_EQ(program.Exit(), 0u);
    }

    AgentScript script;
};

TEST_F(DisplayScale, At150PercentTheWindowItsPictureAndTheDialogsScale) { ExpectEverythingAtScale(144); }

TEST_F(DisplayScale, At200PercentTheWindowItsPictureAndTheDialogsScale) { ExpectEverythingAtScale(192); }

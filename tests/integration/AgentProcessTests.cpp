// The agent's process is found by its program in long or short form, checked through one
// handle, and ended through that very handle, so that nothing else is ever ended.
#include <gtest/gtest.h>

#include "agent/AgentProcess.h"
#include "tests/support/Files.h"
#include "tests/support/MessagePump.h"
#include "tests/support/ProgramProcess.h"

namespace {

class AgentProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = TempFolder() + "parcelo agent process " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        image_ = Wide(folder_) + L"\\Agent Program With A Long Name.exe";
        // A program that waits, untouched, for a drag that never comes: an agent's stand-in here.
        ASSERT_TRUE(CopyFileW(Wide(WindowsPath(DRAG_SOURCE_EXE)).c_str(), image_.c_str(), FALSE));
    }
    void TearDown() override { RemoveTree(folder_); }

    static bool Start(ProgramProcess& program, const std::wstring& path) {
        return program.Start(L"\"" + path + L"\" 0 0 text waiting");
    }
    std::vector<UniqueHandle> FoundOnce(const std::wstring& image) const {
        std::vector<UniqueHandle> found;
        PumpUntil([&] { return (found = FindAgentProcesses(image)).size() == 1; });
        return found;
    }

    std::string folder_;
    std::wstring image_;
};

}  // namespace

TEST_F(AgentProcessTest, AnAgentStartedByItsShortPathIsFoundAndEnded) {
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(image_.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortPath), image_);
    ProgramProcess program;
    ASSERT_TRUE(Start(program, shortPath));
    const std::vector<UniqueHandle> found = FoundOnce(image_);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(GetProcessId(found[0].Get()), program.Pid());
    EXPECT_EQ(FindAgentProcesses(shortPath).size(), 1u);  // a registration in the short form
    EXPECT_TRUE(EndProcesses(found));
    EXPECT_TRUE(WaitForProcessEnd(program.Pid(), 5000));
}

// The first goes between the look-up and the end, and another of the same program starts,
// perhaps under the same id: ending what was found ends nothing.
TEST_F(AgentProcessTest, AProcessThatWasNotFoundIsNeverEnded) {
    ProgramProcess first;
    ASSERT_TRUE(Start(first, image_));
    const std::vector<UniqueHandle> found = FoundOnce(image_);
    ASSERT_EQ(found.size(), 1u);
    first.End();
    ProgramProcess second;
    ASSERT_TRUE(Start(second, image_));
    EXPECT_FALSE(EndProcesses(found));
    EXPECT_FALSE(WaitForProcessEnd(second.Pid(), 500)) << "a process that was not found was ended";
    EXPECT_TRUE(second.Running());
}

// What the drop window shows on the screen while a dropped file travels to the Locker: the
// file's name, the progress, and readiness once it is there, read back as pixels and compared
// with the skin and the status font drawn the way the window draws them.
#include <algorithm>
#include <map>
#include <vector>

#include "agent/AgentProtocol.h"
#include "standin/StandinIds.h"
#include "tests/e2e/UserSessionFixture.h"


class UploadStatusTest : public UserSessionTest {};

TEST_F(UploadStatusTest, TheStatusLinesShowTheFileBeingUploadedItsProgressAndThenReadiness) {
    StoreAutomaticSignIn(account_, "status pass");
    // A slow line: 16 chunks a quarter of a second apart keep the progress on the screen
    // long enough to be looked at several times.
    const ScopedRegValue slowLine(HKEY_CURRENT_USER, standin::AGENT_KEY, "ChunkDelay", DWORD{250});
    const std::string song = MakeSong("progress-song.mp3", 16);
    // Wholly on the screen (the default place reaches below the bottom edge under Wine), so
    // that every pixel of it is compared.
    StorePosition(900, 700);

    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", "")) << "not signed in automatically";

    // The item as the agent has it queued, with only its last ten characters shown.
    const std::string uploading = "Uploading ..." + song.substr(song.size() - 10);
    StatusMatcher status;
    const int ready = status.Add("Drag files here", "");
    const int named = status.Add(uploading, "");
    std::map<int, int> percentOf;  // matcher index -> percent
    for (int percent = 0; percent <= 100; ++percent)
        percentOf[status.Add(uploading, std::to_string(percent) + "% done (1 to go)")] = percent;

    ProgramProcess source(DragSourceCommand({200, 200}, "files", song));
    HWND handle = DragSourceWindow(source);
    ASSERT_NE(handle, nullptr);
    DragWithMouse(handle, window);
    EXPECT_EQ(source.WaitForExit(), 0x100u | DROPEFFECT_COPY);
    MoveMouse({10, 500});

    // Every state the window went through, in order, each once.
    std::vector<int> seen;
    int looks = 0, unreadable = 0, unknown = 0;
    bool savedForDocs = false;
    RECT area = {};
    GetWindowRect(window, &area);
    ASSERT_EQ(area.left, 900);
    ASSERT_EQ(area.bottom, 700 + SKIN_SIZE.height);
    const bool settled = PumpUntil(
        [&] {
            ++looks;
            bool captured = false;
            const int now = status.Match(area, &captured);
            if (!captured) ++unreadable;
            if (now < 0) ++unknown;
            if (now < 0 || (!seen.empty() && seen.back() == now)) return false;
            seen.push_back(now);
            if (!savedForDocs && percentOf.count(now) && percentOf[now] >= 30) {
                SaveScreen({area.left - 24, area.top - 24, area.right + 24, area.bottom + 24}, "docs-upload-progress");
                savedForDocs = true;
            }
            return now == ready && Exists(InLocker("progress-song.mp3"));
        },
        60000);
    std::string trail;
    for (int index : seen) trail += "[" + status.Line1(index) + " | " + status.Line2(index) + "] ";
    ASSERT_TRUE(settled) << "the window did not come back to readiness after the upload; seen: " << trail << "\n"
                         << looks << " looks, " << unreadable << " without a picture, " << unknown
                         << " showing none of the expected lines; in the Locker: "
                         << Contents(InLocker("progress-song.mp3")).size() << " bytes, "
                         << Contents(InLocker("progress-song.mp3.part")).size() << " bytes in part; agent calls:\n"
                         << ::testing::PrintToString(script.Log());
    EXPECT_EQ(Contents(InLocker("progress-song.mp3")), Contents(song));

    std::vector<int> percents;
    for (int index : seen)
        if (percentOf.count(index)) percents.push_back(percentOf[index]);
    EXPECT_GE(percents.size(), 2u) << "the progress was seen at most once: " << trail;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << trail;
    // The name appears before any progress; readiness only after the last progress.
    const auto firstUploading =
        std::find_if(seen.begin(), seen.end(), [&](int index) { return index == named || percentOf.count(index); });
    ASSERT_NE(firstUploading, seen.end()) << trail;
    EXPECT_EQ(seen.back(), ready) << trail;
    EXPECT_EQ(std::find(firstUploading, seen.end(), ready), seen.end() - 1) << trail;

    ExitThroughMenu(program, window);
}

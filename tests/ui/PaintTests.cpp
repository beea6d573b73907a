// What the drop window shows, read back from its pixels: the skin frame, the status lines
// drawn in their rectangles, and the animation while the agent works.
#include "tests/ui/MainWindowFixture.h"

#include <cstdlib>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/Files.h"
#include "tests/support/ScreenPixels.h"

using namespace agentproto;

namespace {

int Differences(const Pixels& a, const Pixels& b) {
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) count += a[i] != b[i];
    return count + static_cast<int>(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

}  // namespace

class PaintTest : public MainWindowTest {
protected:
    Pixels Shown() {
        UpdateWindow(handle);
        return CaptureClient(handle);
    }
    static Pixels Expected(int bitmapId, const std::string& line1, const std::string& line2) {
        return SkinPixels(GetModuleHandleA(nullptr), bitmapId, line1, line2);
    }
    void Tick() { SendMessageA(handle, WM_TIMER, SKIN_TIMER_ID, 0); }
};

TEST_F(PaintTest, TheWindowIsExactlyOneSkinFrame) {
    Open(L" /showparcelo");
    RECT client;
    GetClientRect(handle, &client);
    if (GetSystemMetrics(SM_CXDLGFRAME) == 3 && GetSystemMetrics(SM_CYDLGFRAME) == 3) {
        EXPECT_EQ(client.right, SKIN_WIDTH);
        EXPECT_EQ(client.bottom, SKIN_HEIGHT);
    }
}

TEST_F(PaintTest, NothingIsWrittenBeforeTheFirstStatus) {
    g_state.agent = nullptr;  // no agent: no status ever arrives
    Open(L" /showparcelo");
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "", "")), 0);
}

TEST_F(PaintTest, TheStatusLinesAreDrawnOverTheSkinInTheirRectangles) {
    fakeAgent.AnswerShort(DispGetStatus, 11);
    MainWindow& main = Open(L" /showparcelo");
    EXPECT_EQ(Utf8(main.status.statusLine1), "Drag files here");
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Drag files here", "")), 0);
    fakeAgent.AnswerShort(DispGetFilesToGo, 2);
    main.agentClient.Current()->OnProgress(40);
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Drag files here", "40% done (2 to go)")), 0);
    main.ShowCannotConnectStatus();
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Can't connect to Sonavo", "Please try again")), 0);
}

TEST_F(PaintTest, TheSkinTurnsOnlyWhileTheAgentIsBusy) {
    fakeAgent.AnswerShort(DispGetStatus, 13);
    fakeAgent.AnswerText(DispGetCurrentFileName, L"a.mp3");
    MainWindow& main = Open(L" /showparcelo");
    const std::string line1 = Utf8(main.status.statusLine1);
    EXPECT_EQ(line1, "Uploading a.mp3");
    for (int frame : {IDB_SKIN_FRAME1, IDB_SKIN_FRAME2, IDB_SKIN_FRAME0, IDB_SKIN_FRAME1}) {
        Tick();
        EXPECT_EQ(Differences(Shown(), Expected(frame, line1, "")), 0) << frame;
    }
    fakeAgent.AnswerShort(DispGetStatus, 11);
    Tick();
    Tick();
    EXPECT_EQ(main.frameIndex, 1);  // holds where it stopped
    for (int busy : {12, 14, 15}) {
        fakeAgent.AnswerShort(DispGetStatus, static_cast<SHORT>(busy));
        const int before = main.frameIndex;
        Tick();
        EXPECT_EQ(main.frameIndex, (before + 1) % 3) << busy;
    }
    fakeAgent.Fail(DispGetStatus, E_FAIL);
    const int before = main.frameIndex;
    Tick();
    EXPECT_EQ(main.frameIndex, before);
}

TEST_F(PaintTest, WithoutAnAgentTheTimerAsksNothingAndTheSkinHolds) {
    g_state.agent = nullptr;
    MainWindow& main = Open(L" /showparcelo");
    g_state.agent = &fakeAgent;  // reachable now, but the timer must not connect
    Tick();
    Tick();
    EXPECT_EQ(main.frameIndex, 0);
    EXPECT_TRUE(fakeAgent.calls.empty());
    EXPECT_EQ(main.agentClient.Current(), nullptr);
}

TEST_F(PaintTest, StatusTextsFollowTheirRules) {
    MainWindow& main = Open();
    main.SetStatus(L"Connecting...", nullptr);
    main.SetProgress(40);  // files to go unknown here: the fake says 0
    main.SetUploadingStatus(L"0123456789");
    EXPECT_EQ(Utf8(main.status.statusLine1), "Uploading 0123456789");
    main.SetUploadingStatus(L"C:\\Music\\0123456789A");
    EXPECT_EQ(Utf8(main.status.statusLine1), "Uploading ...123456789A");
    main.SetUploadingStatus(L"");
    EXPECT_EQ(Utf8(main.status.statusLine1), "Uploading ");
    fakeAgent.Fail(DispGetFilesToGo, E_FAIL);
    main.SetProgress(55);
    EXPECT_EQ(Utf8(main.status.statusLine2), "55% done");  // never an invented count
    main.SetStatus(L"Connecting...", nullptr);
    EXPECT_EQ(Utf8(main.status.statusLine2), "55% done");
    main.SetProgress(-1);
    EXPECT_EQ(Utf8(main.status.statusLine2), "");
    EXPECT_EQ(Utf8(main.status.statusLine1), "Connecting...");
    fakeAgent.AnswerShort(DispGetFilesToGo, 0);
    main.SetProgress(100);
    EXPECT_EQ(Utf8(main.status.statusLine2), "100% done (0 to go)");
}

// A name the code page cannot hold is drawn as itself, never as the question marks it would
// have become on its way through the code page.
TEST_F(PaintTest, NamesInAnyScriptAreDrawnAsThemselves) {
    MainWindow& main = Open(L" /showparcelo");
    main.SetUploadingStatus(L"??????.mp3");
    const Pixels questionMarks = Shown();
    for (const char* name : {"Москва.mp3", "東京の夏.mp3"}) {
        main.SetUploadingStatus(FromUtf8(name).c_str());
        const Pixels drawn = Shown();
        EXPECT_GT(Differences(drawn, questionMarks), 0) << name;
        EXPECT_EQ(Differences(drawn, Expected(IDB_SKIN_FRAME0, std::string("Uploading ") + name, "")), 0) << name;
        main.SetUploadingStatus(L"");
        main.SetUploadingStatus(FromUtf8(name).c_str());
        EXPECT_EQ(Differences(Shown(), drawn), 0) << name;
    }
    // The last ten characters, whatever a character takes in the code page.
    main.SetUploadingStatus(FromUtf8("夏の東京で聴いた歌のアルバム.mp3").c_str());
    EXPECT_EQ(Utf8(main.status.statusLine1), "Uploading ...歌のアルバム.mp3");
}

// The run under a double-byte code page is only worth its name if the process has that page.
TEST(CodePage, FollowsTheLocaleOfTheRun) {
    const char* locale = std::getenv("LC_ALL");
    if (locale && std::string(locale).rfind("ja_JP", 0) == 0) {
        EXPECT_EQ(GetACP(), 932u);
    }
}

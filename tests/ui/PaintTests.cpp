// What the drop window shows, read back from its pixels: the skin frame, the status lines
// drawn in their rectangles, the animation while the agent works, and all of it at another
// scale once the window is told it moved to a monitor of that scale.
#include "tests/fakes/MainWindowFixture.h"

#include <cstdlib>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "tests/support/ScreenPixels.h"
#include "ui/DisplayDpi.h"

using namespace agentproto;

namespace {

int Differences(const Pixels& a, const Pixels& b) {
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) count += a[i] != b[i];
    return count + static_cast<int>(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

// The share, in percent, of 2 x 2 pixel squares above the status band that are one colour: all
// of them in a 100 % picture made twice as large, few in one drawn at 200 %.
int PercentOfFlatSquares(const Pixels& pixels, int width) {
    int flat = 0, all = 0;
    for (int y = 0; y + 1 < ScaleToDpi(STATUS_BAND.top, 192); y += 2) {
        for (int x = 0; x + 1 < width; x += 2) {
            const size_t at = static_cast<size_t>(y) * width + x;
            const uint32_t p = pixels[at];
            flat += p == pixels[at + 1] && p == pixels[at + width] && p == pixels[at + width + 1];
            ++all;
        }
    }
    return all ? 100 * flat / all : 100;
}

bool g_highContrast = false;
bool HighContrastOfTest() { return g_highContrast; }

uint32_t AsPixel(COLORREF colour) {
    return (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

// The system's window and window-text colours for the whole session, put back afterwards.
class WindowColours {
public:
    WindowColours(COLORREF window, COLORREF text) : old_{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)} {
        const COLORREF colours[] = {window, text};
        SetSysColors(2, ELEMENTS, colours);
    }
    ~WindowColours() { SetSysColors(2, ELEMENTS, old_); }

private:
    static constexpr INT ELEMENTS[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    COLORREF old_[2];
};

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
    // The window told what the system tells it when it reaches a monitor of another scale.
    RECT MoveToScale(UINT dpi, LPARAM suggested) {
        SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested);
        RECT rect = {};
        GetWindowRect(handle, &rect);
        return rect;
    }
};


// Without an agent no status ever arrives: nothing is written, and the timer neither connects
// nor turns the skin.
TEST_F(PaintTest, TheWindowIsExactlyOneSkinFrameAndWithoutAnAgentItHoldsUnwritten) {
    g_state.agent = nullptr;
    MainWindow& main = Open(L" /showparcelo");
    RECT client;
    GetClientRect(handle, &client);
    EXPECT_EQ(client.right, SKIN_SIZE.width);
    EXPECT_EQ(client.bottom, SKIN_SIZE.height);
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "", "")), 0);
    g_state.agent = &fakeAgent;  // reachable now, but the timer must not connect
    Tick();
    Tick();
    EXPECT_EQ(main.SkinFrame(), 0);
    EXPECT_TRUE(fakeAgent.calls.empty());
    EXPECT_EQ(main.Session().CurrentClient(), nullptr);
}

TEST_F(PaintTest, TheStatusLinesAreDrawnOverTheSkinInTheirRectangles) {
    fakeAgent.AnswerShort(DispGetStatus, 11);
    MainWindow& main = Open(L" /showparcelo");
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Drag files here");
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Drag files here", "")), 0);
    fakeAgent.AnswerShort(DispGetFilesToGo, 2);
    main.Session().CurrentClient()->OnProgress(40);
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Drag files here", "40% done (2 to go)")), 0);
    main.ShowCannotConnectStatus();
    EXPECT_EQ(Differences(Shown(), Expected(IDB_SKIN_FRAME0, "Can't connect to Sonavo", "Please try again")), 0);
}

TEST_F(PaintTest, TheSkinTurnsOnlyWhileTheAgentIsBusy) {
    fakeAgent.AnswerShort(DispGetStatus, 13);
    fakeAgent.AnswerText(DispGetCurrentFileName, L"a.mp3");
    MainWindow& main = Open(L" /showparcelo");
    const std::string line1 = Utf8(main.Status().statusLine1);
    EXPECT_EQ(line1, "Uploading a.mp3");
    for (int frame : {IDB_SKIN_FRAME1, IDB_SKIN_FRAME2, IDB_SKIN_FRAME0, IDB_SKIN_FRAME1}) {
        Tick();
        EXPECT_EQ(Differences(Shown(), Expected(frame, line1, "")), 0) << frame;
    }
    fakeAgent.AnswerShort(DispGetStatus, 11);
    Tick();
    Tick();
    EXPECT_EQ(main.SkinFrame(), 1);  // holds where it stopped
    for (int busy : {12, 14, 15}) {
        fakeAgent.AnswerShort(DispGetStatus, static_cast<SHORT>(busy));
        const int before = main.SkinFrame();
        Tick();
        EXPECT_EQ(main.SkinFrame(), (before + 1) % 3) << busy;
    }
    fakeAgent.Fail(DispGetStatus, E_FAIL);
    const int before = main.SkinFrame();
    Tick();
    EXPECT_EQ(main.SkinFrame(), before);
}

// Asked to print itself into a DC of its own (a preview, a capture), the window draws exactly
// what it shows: the frame in turn and both lines.
TEST_F(PaintTest, PrintedIntoAMemoryDcTheWindowDrawsWhatItShows) {
    fakeAgent.AnswerShort(DispGetStatus, 13);
    fakeAgent.AnswerText(DispGetCurrentFileName, L"a.mp3");
    MainWindow& main = Open(L" /showparcelo");
    const int toGo = 2;
    main.SetProgress(40, &toGo);
    Tick();
    EXPECT_EQ(main.SkinFrame(), 1);
    const Pixels shown = Shown();
    WindowDc screen(handle);
    OwnedMemoryDc memory(CreateCompatibleDC(screen.Get()));
    OwnedBitmap canvas(CreateCompatibleBitmap(screen.Get(), SKIN_SIZE.width, SKIN_SIZE.height));
    SelectedObject selected(memory.Get(), canvas.Get());
    EXPECT_EQ(SendMessageW(handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT), 0);
    EXPECT_EQ(Differences(ReadPixels(memory.Get(), 0, 0, SKIN_SIZE.width, SKIN_SIZE.height), shown), 0);
}

TEST_F(PaintTest, StatusTextsFollowTheirRules) {
    MainWindow& main = Open();
    main.SetStatus(L"Connecting...", nullptr);
    main.SetProgress(40, nullptr);
    main.SetUploadingStatus(L"0123456789");
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Uploading 0123456789");
    main.SetUploadingStatus(L"C:\\Music\\0123456789A");
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Uploading ...123456789A");
    main.SetUploadingStatus(L"");
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Uploading ");
    fakeAgent.Fail(DispGetFilesToGo, E_FAIL);
    main.Session().CurrentClient()->OnProgress(55);
    EXPECT_EQ(Utf8(main.Status().statusLine2), "55% done");  // never an invented count
    main.SetStatus(L"Connecting...", nullptr);
    EXPECT_EQ(Utf8(main.Status().statusLine2), "55% done");
    main.SetProgress(-1, nullptr);
    EXPECT_EQ(Utf8(main.Status().statusLine2), "");
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Connecting...");
    fakeAgent.AnswerShort(DispGetFilesToGo, 0);
    main.Session().CurrentClient()->OnProgress(100);
    EXPECT_EQ(Utf8(main.Status().statusLine2), "100% done (0 to go)");
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
    EXPECT_EQ(Utf8(main.Status().statusLine1), "Uploading ...歌のアルバム.mp3");
}

// No system under Wine switches high contrast on: the window reads it through its seam, when
// the system tells it that a setting or the colours changed. Its colours are the system's.
TEST_F(PaintTest, InHighContrastTheStatusStandsOnABandOfTheSystemColours) {
    g_highContrast = false;
    MainWindow::seams.highContrast = &HighContrastOfTest;
    fakeAgent.AnswerShort(DispGetStatus, 11);
    MainWindow& main = Open(L" /showparcelo");
    const int toGo = 2;
    main.SetProgress(40, &toGo);
    const Pixels skin = Expected(IDB_SKIN_FRAME0, "Drag files here", "40% done (2 to go)");
    EXPECT_EQ(Differences(Shown(), skin), 0);

    g_highContrast = true;
    {
        const WindowColours colours(RGB(255, 255, 0), RGB(0, 0, 255));  // told by WM_SYSCOLORCHANGE
        RunLoop();
        const Pixels shown = Shown();
        // Inside the band: the window colour, the text colour, or the two blended at the
        // letters' edges; outside it: the skin as it was.
        int background = 0, ink = 0, stray = 0;
        for (int y = 0; y < SKIN_SIZE.height; ++y) {
            for (int x = 0; x < SKIN_SIZE.width; ++x) {
                const size_t at = static_cast<size_t>(y) * SKIN_SIZE.width + x;
                const uint32_t p = shown[at];
                const int r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
                const bool inBand = x >= STATUS_BAND.left && x < STATUS_BAND.right && y >= STATUS_BAND.top &&
                                    y < STATUS_BAND.bottom;
                if (!inBand) stray += p != skin[at];
                else if (p == AsPixel(RGB(255, 255, 0))) ++background;
                else if (p == AsPixel(RGB(0, 0, 255))) ++ink;
                else stray += std::abs(r - g) > 8 || std::abs(r + b - 255) > 16;
            }
        }
        EXPECT_EQ(stray, 0);
        EXPECT_GT(ink, 20);
        EXPECT_GT(background, (STATUS_BAND.right - STATUS_BAND.left) * (STATUS_BAND.bottom - STATUS_BAND.top) / 2);
    }
    g_highContrast = false;
    SendMessageW(handle, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(Differences(Shown(), skin), 0);
}

// The run under a double-byte code page is only worth its name if the process has that page.
TEST(CodePage, FollowsTheLocaleOfTheRun) {
    const char* locale = std::getenv("LC_ALL");
    if (locale && std::string(locale).rfind("ja_JP", 0) == 0) {
        EXPECT_EQ(GetACP(), 932u);
    }
}

TEST_F(PaintTest, AtAMonitorOfAnotherScaleTheWindowTakesTheSuggestedPlaceAndRedrawsAtThatScale) {
    fakeAgent.AnswerShort(DispGetStatus, 11);
    MainWindow& main = Open(L" /showparcelo");
    const Pixels logical = Expected(IDB_SKIN_FRAME0, "Drag files here", "");
    const Pixels logicalBlank = Expected(IDB_SKIN_FRAME0, "", "");
    const LayoutSize size = ScaleToDpi(SKIN_SIZE, 192);
    RECT suggested = {40, 30, 40 + size.width, 30 + size.height};
    RECT rect = MoveToScale(192, reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(EqualRect(&rect, &suggested));
    const Pixels shown = Shown();
    EXPECT_EQ(BlocksUnlike100Percent(logical, shown, size, 192), 0);
    EXPECT_LT(PercentOfFlatSquares(shown, size.width), 50) << "the 100 % skin enlarged, not the 200 % one";
    // The text in its band, as large as the 100 % text made twice as large.
    main.SetStatus(L"", nullptr);
    const RECT ink = DifferenceBounds(shown, Shown(), size.width);
    const RECT ink100 = DifferenceBounds(logical, logicalBlank, SKIN_SIZE.width);
    const RECT band = ToRect(ScaleToDpi(STATUS_BAND, 192));
    EXPECT_GE(ink.top, band.top);
    EXPECT_LE(ink.bottom, band.bottom);
    const int height = 2 * (ink100.bottom - ink100.top), width = 2 * (ink100.right - ink100.left);
    EXPECT_NEAR(ink.bottom - ink.top, height, height / 8);  // hinted glyphs do not grow exactly in step
    EXPECT_NEAR(ink.right - ink.left, width, width / 8);
    // The animation's other frames are that scale's too, each the window's size.
    fakeAgent.AnswerShort(DispGetStatus, 13);
    for (int frame : {IDB_SKIN_FRAME1, IDB_SKIN_FRAME2, IDB_SKIN_FRAME0}) {
        Tick();
        EXPECT_EQ(BlocksUnlike100Percent(Expected(frame, "", ""), Shown(), size, 192), 0) << frame;
    }
    fakeAgent.AnswerShort(DispGetStatus, 11);
    // Icons and the hand at the system's sizes for that scale.
    EXPECT_EQ(IconParts(reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_SMALL, 0))).Size().cx,
              MetricForDpi(SM_CXSMICON, 192));
    EXPECT_EQ(IconParts(reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_BIG, 0))).Size().cx,
              MetricForDpi(SM_CXICON, 192));
    SendMessageW(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(IconParts(GetCursor()).Size().cx, MetricForDpi(SM_CXCURSOR, 192));

    // Back at 100 %: exactly the picture it had.
    main.SetStatus(L"Drag files here", nullptr);
    RECT back = {40, 30, 40 + SKIN_SIZE.width, 30 + SKIN_SIZE.height};
    rect = MoveToScale(LOGICAL_DPI, reinterpret_cast<LPARAM>(&back));
    EXPECT_TRUE(EqualRect(&rect, &back));
    EXPECT_EQ(Differences(Shown(), logical), 0);
}

// Any program can send the message: a pointer that means nothing here, none, or a rectangle of
// another size leave the window where it is (or where suggested), at the scale's size.
TEST_F(PaintTest, ADpiChangeFromElsewhereNeverTakesTheWindowOffItsSize) {
    Open(L" /showparcelo");
    RECT before = {};
    GetWindowRect(handle, &before);
    const LayoutSize size = ScaleToDpi(SKIN_SIZE, 144);
    for (LPARAM nonsense : {LPARAM(0), LPARAM(16), LPARAM(-1)}) {
        const RECT rect = MoveToScale(144, nonsense);
        EXPECT_EQ(rect.left, before.left) << nonsense;
        EXPECT_EQ(rect.top, before.top);
        EXPECT_EQ(rect.right - rect.left, size.width);
        EXPECT_EQ(rect.bottom - rect.top, size.height);
    }
    RECT huge = {10, 20, 10 + 5000, 20 + 5000};
    RECT rect = MoveToScale(0xFFFF, reinterpret_cast<LPARAM>(&huge));
    const LayoutSize largest = ScaleToDpi(SKIN_SIZE, MAX_DPI);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right - rect.left, largest.width);
    EXPECT_EQ(rect.bottom - rect.top, largest.height);
    EXPECT_EQ(CaptureClient(handle).size(), static_cast<size_t>(largest.width) * largest.height);
}

// The drop window in a process started at a display scale by DisplayScale (ScaleTests.cpp),
// which tells it the DPI to expect; run on their own, these cases skip. (The file name keeps
// them out of ctest's list of cases.)
#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/DisplayScale.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "tests/support/ScreenPixels.h"
#include "tests/fakes/MainWindowFixture.h"
#include "ui/DisplayDpi.h"
#include "ui/TrayIcon.h"

using namespace agentproto;

namespace {

HICON g_trayIcon = nullptr;

BOOL WINAPI RecordTrayIcon(DWORD action, PNOTIFYICONDATAW data) {
    if (action == NIM_ADD) g_trayIcon = data->hIcon;
    return Shell_NotifyIconW(action, data);
}

}  // namespace

class ScaledWindow : public MainWindowTest {
protected:
    void SetUp() override {
        dpi = RequestedTestDpi();
        if (dpi == 0) GTEST_SKIP() << "run by DisplayScale, at the scale it sets";
        MainWindowTest::SetUp();
        ASSERT_EQ(static_cast<UINT>(GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY)), dpi) << "not at that scale";
    }
    UINT dpi = 0;
};

TEST_F(ScaledWindow, IsOneSkinFrameAtTheScaleWithItsTextInTheBand) {
    // What the README's pictures show, at 100 % and here.
    fakeAgent.AnswerShort(DispGetStatus, 11);
    fakeAgent.AnswerShort(DispGetFilesToGo, 1);
    MainWindow& main = Open(L" /showparcelo");
    main.SetUploadingStatus(L"Ballads-song.mp3");
    main.Session().CurrentClient()->OnProgress(56);
    const LayoutSize size = ScaleToDpi(SKIN_SIZE, dpi);
    RECT rect = {};
    GetWindowRect(handle, &rect);
    EXPECT_EQ(rect.right - rect.left, size.width);
    EXPECT_EQ(rect.bottom - rect.top, size.height);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXFULLSCREEN));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYFULLSCREEN));

    // Wine's full-screen area reaches below the screen, and at some scales it keeps no picture of
    // a window's part off the screen: the window is looked at where it shows whole.
    SetWindowPos(handle, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(handle);
    const Pixels shown = CaptureClient(handle);
    const Pixels logical =
        SkinPixels(GetModuleHandleW(nullptr), IDB_SKIN_FRAME0, "Uploading ...s-song.mp3", "56% done (1 to go)");
    EXPECT_EQ(BlocksUnlike100Percent(logical, shown, size, dpi), 0);
    if (dpi == 2 * LOGICAL_DPI)
        SaveBitmap(shown, size.width, size.height,
                   WindowsPath(std::string(SCREENSHOT_DIR) + "/docs-uploading-200.bmp"));

    // The text: inside its band, and as large as the 100 % text at this scale.
    main.SetStatus(L"", nullptr);
    main.SetProgress(-1, nullptr);
    const RECT ink = DifferenceBounds(shown, CaptureClient(handle), size.width);
    const RECT ink100 = DifferenceBounds(logical, SkinPixels(GetModuleHandleW(nullptr), IDB_SKIN_FRAME0, "", ""),
                                         SKIN_SIZE.width);
    const RECT band = ToRect(ScaleToDpi(STATUS_BAND, dpi));
    EXPECT_GE(ink.left, band.left);
    EXPECT_GE(ink.top, band.top);
    EXPECT_LE(ink.right, band.right);
    EXPECT_LE(ink.bottom, band.bottom);
    // Glyphs hinted at each size do not grow exactly in step: within an eighth.
    const int height = ScaleToDpi(ink100.bottom - ink100.top, dpi), width = ScaleToDpi(ink100.right - ink100.left, dpi);
    EXPECT_NEAR(ink.bottom - ink.top, height, height / 8);
    EXPECT_NEAR(ink.right - ink.left, width, width / 8);
}

TEST_F(ScaledWindow, TheTrayIconTheWindowsIconsAndTheHandAreTheSystemsSizesForTheScale) {
    g_shellNotifyIcon = &RecordTrayIcon;
    Open(L" /showparcelo");
    g_shellNotifyIcon = &Shell_NotifyIconW;
    EXPECT_NE(GetSystemMetrics(SM_CXSMICON), MetricForDpi(SM_CXSMICON, LOGICAL_DPI)) << "the 100 % size";
    EXPECT_EQ(IconParts(g_trayIcon).Size().cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconParts(g_trayIcon).Size().cy, GetSystemMetrics(SM_CYSMICON));
    EXPECT_EQ(IconParts(reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_SMALL, 0))).Size().cx,
              GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(IconParts(reinterpret_cast<HICON>(SendMessageW(handle, WM_GETICON, ICON_BIG, 0))).Size().cx,
              GetSystemMetrics(SM_CXICON));
    SendMessageW(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN));
    EXPECT_EQ(IconParts(GetCursor()).Size().cx, GetSystemMetrics(SM_CXCURSOR));
}

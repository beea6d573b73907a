#include "tests/ui/MainWindowFixture.h"

#include "tests/support/Items.h"
#include "tests/support/MessagePump.h"
#include "tests/support/ScreenPixels.h"

WindowTestState g_state;

namespace {

int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    g_state.boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return g_state.boxAnswer;
}

time_t FixedClock(time_t* out) {
    if (out) *out = g_state.now;
    return g_state.now;
}

int FactoryOfState(IDispatch** out) {
    *out = nullptr;
    if (!g_state.agent) return 2;
    g_state.agent->AddRef();
    *out = g_state.agent;
    return 0;
}

INT_PTR RecordSignIn(HWND) {
    ++g_state.signInRuns;
    return g_state.signInAnswer;
}

}  // namespace

void ClearProductKey() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo"); }

void MainWindowTest::SetUp() {
    OleInitialize(nullptr);
    GetAppModule().Init(GetModuleHandleA(nullptr));
    g_state = WindowTestState();
    g_state.agent = &fakeAgent;
    MainWindow::seams = {&RecordBox, &FixedClock, &FactoryOfState, &RecordSignIn};
    ClearProductKey();
}

void MainWindowTest::TearDown() {
    Close();
    ClearProductKey();
    MainWindow::seams = MainWindowSeams();
    OleUninitialize();
}

MainWindow& MainWindowTest::Open(const char* commandLine, bool start) {
    window = new MainWindow();
    window->AddRef();  // the test's own hold, so the object outlives its window for checks
    if (!window->ParseCommandLine(commandLine)) return *window;
    handle = window->CreateDropWindow();
    EXPECT_NE(handle, nullptr);
    if (start) Pump();
    return *window;
}

void MainWindowTest::Close() {
    if (!window) return;
    if (window->windowHandle) DestroyWindow(window->windowHandle);
    Pump();
    // The test's hold, then the one WM_CREATE kept (the start-up code gives that back).
    if (window->referenceCount > 1) window->Release();
    window->Release();
    window = nullptr;
    handle = nullptr;
}

void MainWindowTest::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::vector<std::string> MainWindowTest::Handed() {
    EXPECT_TRUE(PumpUntil([&] { return window->handOver.Empty(); }));
    return Texts(window->deferredLogin.pendingFiles);
}

std::vector<uint32_t> CaptureClient(HWND window, int width, int height) {
    HDC dc = GetDC(window);
    std::vector<uint32_t> pixels = ReadPixels(dc, 0, 0, width, height);
    ReleaseDC(window, dc);
    return pixels;
}

std::vector<uint32_t> ExpectedFrame(int bitmapId, const std::string& line1, const std::string& line2, int width,
                                    int height) {
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldTarget = SelectObject(canvas, target);
    HDC frameDc = CreateCompatibleDC(screen);
    HBITMAP frame = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    HGDIOBJ oldFrame = SelectObject(frameDc, frame);
    BitBlt(canvas, 0, 0, width, height, frameDc, 0, 0, SRCCOPY);
    HFONT font = CreateFontA(-10, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "Arial Narrow");
    HGDIOBJ oldFont = SelectObject(canvas, font);
    RECT first = {2, 54, 108, 68}, second = {2, 67, 108, 80};
    DrawTextA(canvas, line1.c_str(), -1, &first, DT_CENTER);
    DrawTextA(canvas, line2.c_str(), -1, &second, DT_CENTER);
    SelectObject(canvas, oldFont);
    std::vector<uint32_t> pixels = ReadPixels(canvas, 0, 0, width, height);
    DeleteObject(font);
    SelectObject(frameDc, oldFrame);
    DeleteObject(frame);
    DeleteDC(frameDc);
    SelectObject(canvas, oldTarget);
    DeleteObject(target);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    return pixels;
}

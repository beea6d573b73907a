// One repaint with both status lines, Parcelo against a bare window that paints the same.
#include "bench/InProcessBench.h"
#include "bench/InProcessHarness.h"
#include "bench/BareParts.h"
#include "res/resource.h"

using namespace agentproto;

// A window like the drop window that paints what the drop window paints, with nothing between
// the system and the drawing: the skin frame blitted and the two status lines.
class BarePaintWindow {
public:
    BarePaintWindow()
        : skin_(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_FRAME0))),
          memory_(CreateCompatibleDC(nullptr)),
          font_(CreateFontW(-STATUS_FONT_HEIGHT, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial Narrow")) {}
    BarePaintWindow(const BarePaintWindow&) = delete;
    BarePaintWindow& operator=(const BarePaintWindow&) = delete;
    ~BarePaintWindow() {
        if (handle_) DestroyWindow(handle_);
        DeleteObject(font_);
        DeleteDC(memory_);
        DeleteObject(skin_);
    }

    bool Open(const RECT& like, const wchar_t* line1, const wchar_t* line2) {
        line1_ = line1;
        line2_ = line2;
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = &Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        windowClass.lpszClassName = "ParceloBarePaint";
        const ATOM atom = RegisterClassExA(&windowClass);
        if (!atom) return false;
        handle_ = CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(atom), nullptr, WS_POPUP | WS_SYSMENU, 200, 200,
                                  like.right - like.left, like.bottom - like.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), this);
        if (!handle_) return false;
        ShowWindow(handle_, SW_SHOW);
        return true;
    }
    HWND Handle() const { return handle_; }
    long Paints() const { return paints_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<BarePaintWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_PAINT && self) {
            self->Paint(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void Paint(HWND window) {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        const HGDIOBJ oldSkin = SelectObject(memory_, skin_);
        BitBlt(dc, 0, 0, SKIN_SIZE.width, SKIN_SIZE.height, memory_, 0, 0, SRCCOPY);
        const HGDIOBJ oldFont = SelectObject(dc, font_);
        RECT first = {STATUS_LINE1.left, STATUS_LINE1.top, STATUS_LINE1.right, STATUS_LINE1.bottom};
        RECT second = {STATUS_LINE2.left, STATUS_LINE2.top, STATUS_LINE2.right, STATUS_LINE2.bottom};
        DrawTextW(dc, line1_, -1, &first, DT_CENTER);
        DrawTextW(dc, line2_, -1, &second, DT_CENTER);
        SelectObject(dc, oldFont);
        SelectObject(memory_, oldSkin);
        EndPaint(window, &paint);
        ++paints_;
    }

    HBITMAP skin_;
    HDC memory_;
    HFONT font_;
    HWND handle_ = nullptr;
    const wchar_t* line1_ = L"";
    const wchar_t* line2_ = L"";
    long paints_ = 0;
};

double RepaintMicroseconds(HWND window, int repaints) {
    Stopwatch clock;
    for (int i = 0; i < repaints; ++i) RedrawWindow(window, nullptr, nullptr, REPAINT_FLAGS);
    return clock.Ms() * 1000.0 / repaints;
}

// A repaint costs far less than the load on a shared machine drifts: the two windows take
// turns in short batches (runs), many of them.
int RunPaint(int repaints, int runs) {
    const wchar_t line1[] = L"Drag files here", line2[] = L"40% done (2 to go)";
    ParceloWindow window;
    if (!window.Open()) return 1;
    window->SetStatus(line1, line2);
    RECT rect;
    GetWindowRect(window->windowHandle, &rect);
    BarePaintWindow bare;
    if (!bare.Open(rect, line1, line2)) return 1;
    Pump();
    std::vector<double> parcelo, floor;
    for (int run = 0; run < runs; ++run) {
        parcelo.push_back(RepaintMicroseconds(window->windowHandle, repaints));
        Pump();
        const long paintsBefore = bare.Paints();
        floor.push_back(RepaintMicroseconds(bare.Handle(), repaints));
        if (bare.Paints() - paintsBefore != repaints) {
            std::fprintf(stderr, "bare: %ld paints for %d repaints\n", bare.Paints() - paintsBefore, repaints);
            return 1;
        }
        Pump();
    }
    std::printf("one repaint with both status lines, microseconds (mean of %d per run)\n", repaints);
    PrintTimes("repaint-us", parcelo, floor);
    return 0;
}

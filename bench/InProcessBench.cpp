// Parcelo's real drop window in this process, connected to the real agent (the stand-in,
// out of process, scripted to answer IsSignedIn with 1 and Upload with S_OK without queuing),
// against the bare floor doing the same calls on the same agent. Runs alternate Parcelo and
// bare (ABAB); a figure is the median of its runs, its ratio the median of the pairs' ratios.
// Every run checks through the agent's call count that each item reached the agent.
//
//   inproc_bench drop <missing|real> <small> <large> <rounds>   IDropTarget::Drop of a CF_HDROP list
//   inproc_bench replay <small> <large> <rounds>                ReplayDeferred after status 19
//   inproc_bench paint <repaints> <runs>                        RedrawWindow with both status lines
//   inproc_bench calls <count>                                  diagnostics: round trips, size checks
//
// drop and replay run both sizes by turns in one process, so that the growth from the small
// to the large size is measured under the same conditions.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "bench/BareAgent.h"
#include "bench/BenchSupport.h"
#include "bench/FileListData.h"
#include "res/resource.h"
#include "ui/AppModule.h"
#include "ui/MainWindow.h"

using namespace agentproto;

namespace {

const char kScriptKey[] = "Software\\Velorex\\UploadAgent\\Script";
constexpr UINT kRepaintFlags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

int g_boxes = 0;
int g_signInDialogs = 0;

// Nothing may wait for a user: a box or a Sign In dialog would mean the drop did not go the
// signed-in way, and is reported as a failed run.
int WINAPI CountBox(HWND, LPCSTR text, LPCSTR, UINT) {
    ++g_boxes;
    std::fprintf(stderr, "message box: %s\n", text ? text : "");
    return IDOK;
}

INT_PTR CountSignIn(HWND) {
    ++g_signInDialogs;
    return IDOK;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (ok_) OleUninitialize();
    }
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// The agent answers as a signed-in agent that takes every item and does nothing with it.
// The script is the agent's to read at each call; it is removed again at the end.
class SignedInScript {
public:
    SignedInScript() {
        Set("12.vt", VT_I4);
        Set("12.value", 1);
        Set("1.hr", S_OK);
    }
    SignedInScript(const SignedInScript&) = delete;
    SignedInScript& operator=(const SignedInScript&) = delete;
    ~SignedInScript() { RegDeleteTreeA(HKEY_CURRENT_USER, kScriptKey); }

private:
    static void Set(const char* name, DWORD value) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kScriptKey, name, REG_DWORD, &value, sizeof value);
    }
};

// The drop window as parcelo.exe " /showparcelo" has it once started: shown, agent connected
// and configured. Released the way the tests' fixture does.
class ParceloWindow {
public:
    ParceloWindow() = default;
    ParceloWindow(const ParceloWindow&) = delete;
    ParceloWindow& operator=(const ParceloWindow&) = delete;
    ~ParceloWindow() {
        if (!window_) return;
        if (window_->windowHandle) DestroyWindow(window_->windowHandle);
        Pump();
        if (window_->referenceCount > 1) window_->Release();
        window_->Release();
        MainWindow::seams = MainWindowSeams();
    }

    bool Open() {
        MainWindow::seams = {&CountBox, &time, &CreateAgentObject, &CountSignIn};
        window_ = new MainWindow();
        window_->AddRef();
        if (!window_->ParseCommandLine(" /showparcelo") || !window_->CreateDropWindow()) return false;
        Stopwatch clock;
        while (!IsWindowVisible(window_->windowHandle)) {
            if (clock.Ms() > 30000) return false;
            Pump();
            Sleep(1);
        }
        Pump();
        return window_->agentClient.Current() != nullptr;
    }
    MainWindow& operator*() const { return *window_; }
    MainWindow* operator->() const { return window_; }

private:
    MainWindow* window_ = nullptr;
};

// One run of one side: the time, and whether the agent heard exactly `items` uploads.
template <class Work>
bool TimeUploads(const char* label, size_t items, Work work, std::vector<double>& samples) {
    const LONG before = AgentCallCount(DispUpload);
    const int boxes = g_boxes, dialogs = g_signInDialogs;
    Stopwatch clock;
    work();
    const double ms = clock.Ms();
    const LONG arrived = AgentCallCount(DispUpload) - before;
    if (arrived != static_cast<LONG>(items) || g_boxes != boxes || g_signInDialogs != dialogs) {
        std::fprintf(stderr, "%s: the agent received %ld of %zu uploads (%d boxes, %d sign-in dialogs)\n", label,
                     arrived, items, g_boxes - boxes, g_signInDialogs - dialogs);
        return false;
    }
    samples.push_back(ms);
    Pump();
    return true;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length) + L"parcelo-bench";
}

// Names of the same length either way: real 1-byte files, made once and kept for the runs,
// or names in a folder that does not exist (the size check's open fails at once).
std::vector<std::wstring> MakePaths(size_t count, bool real) {
    const std::wstring folder = TempFolder() + (real ? L"\\present" : L"\\missing");
    if (real) {
        CreateDirectoryW(TempFolder().c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::vector<std::wstring> paths;
    paths.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"\\track%05zu.mp3", i + 1);
        paths.push_back(folder + name);
        if (!real) continue;
        const HANDLE file = CreateFileW(paths.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;  // left by an earlier run
        DWORD written = 0;
        WriteFile(file, "x", 1, &written, nullptr);
        CloseHandle(file);
    }
    return paths;
}

std::vector<std::string> Narrow(const std::vector<std::wstring>& paths) {
    std::vector<std::string> items;
    items.reserve(paths.size());
    for (const std::wstring& path : paths) items.emplace_back(path.begin(), path.end());  // ASCII names
    return items;
}

// Each round: one large run of each side, then kSmallPerRound small runs of each, all ABAB,
// so that both sizes see the same load and the small figure gets more samples.
constexpr int kSmallPerRound = 3;

struct SizedTimes {
    std::vector<double> parcelo, bare;
};

// Parcelo's large/small factor, and the bare floor's, from the medians: 10 when linear.
void PrintGrowth(const char* name, const SizedTimes& small, const SizedTimes& large) {
    const double parcelo = Median(large.parcelo) / Median(small.parcelo);
    const double bare = Median(large.bare) / Median(small.bare);
    std::printf("  growth large/small: parcelo %.2f, bare %.2f\n", parcelo, bare);
    PrintResult(name, parcelo, bare, parcelo / bare);
}

// runSide(side, size index, samples) runs one side once on one size.
template <class RunSide>
bool RunRounds(int rounds, RunSide runSide, SizedTimes sized[2]) {
    for (int round = 0; round < rounds; ++round) {
        if (!runSide(0, 1, sized[1].parcelo) || !runSide(1, 1, sized[1].bare)) return false;
        for (int i = 0; i < kSmallPerRound; ++i)
            if (!runSide(0, 0, sized[0].parcelo) || !runSide(1, 0, sized[0].bare)) return false;
    }
    return true;
}

int RunDrop(const size_t sizes[2], bool real, int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!window.Open() || !bare.Create()) return 1;
    ComPtr<IDataObject> data[2];
    for (int i = 0; i < 2; ++i) {
        data[i].Reset(NewFileListData(MakePaths(sizes[i], real)));
        if (!data[i]) return 1;
    }
    IDropTarget* target = &*window;
    SizedTimes sized[2];
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, std::vector<double>& samples) {
            IDataObject* list = data[size].Get();
            if (side == 1) return TimeUploads("bare", sizes[size], [&] { BareDrop(bare, list); }, samples);
            return TimeUploads("parcelo", sizes[size],
                               [&] {
                                   DWORD effect = DROPEFFECT_COPY;
                                   target->Drop(list, 0, POINTL{0, 0}, &effect);
                               },
                               samples);
        },
        sized);
    if (!ok) return 1;
    const char* kind = real ? "real" : "missing";
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("drop of %zu %s files, ms per drop\n", sizes[i], real ? "real 1-byte" : "missing");
        std::snprintf(name, sizeof name, "drop-%s-%zu-ms", kind, sizes[i]);
        PrintTimes(name, sized[i].parcelo, sized[i].bare);
    }
    std::snprintf(name, sizeof name, "drop-%s-growth", kind);
    PrintGrowth(name, sized[0], sized[1]);
    return 0;
}

int RunReplay(const size_t sizes[2], int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!window.Open() || !bare.Create()) return 1;
    const std::vector<std::string> items[2] = {Narrow(MakePaths(sizes[0], false)), Narrow(MakePaths(sizes[1], false))};
    AgentClient* client = window->agentClient.Current();
    SizedTimes sized[2];
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, std::vector<double>& samples) {
            if (side == 1) return TimeUploads("bare", sizes[size], [&] { BareReplay(bare, items[size]); }, samples);
            window->deferredLogin.pendingFiles = items[size];  // as dropped while signed out
            return TimeUploads("parcelo", sizes[size], [&] { client->OnStatus(19); }, samples) &&
                   window->deferredLogin.pendingFiles.empty();
        },
        sized);
    if (!ok) return 1;
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("replay of %zu pending items after status 19, ms\n", sizes[i]);
        std::snprintf(name, sizeof name, "replay-%zu-ms", sizes[i]);
        PrintTimes(name, sized[i].parcelo, sized[i].bare);
    }
    PrintGrowth("replay-growth", sized[0], sized[1]);
    return 0;
}

// A window like the drop window that paints what the drop window paints, with nothing between
// the system and the drawing: the skin frame blitted and the two status lines.
class BarePaintWindow {
public:
    BarePaintWindow()
        : skin_(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_FRAME0))),
          memory_(CreateCompatibleDC(nullptr)),
          font_(CreateFontA(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Narrow")) {}
    BarePaintWindow(const BarePaintWindow&) = delete;
    BarePaintWindow& operator=(const BarePaintWindow&) = delete;
    ~BarePaintWindow() {
        if (handle_) DestroyWindow(handle_);
        DeleteObject(font_);
        DeleteDC(memory_);
        DeleteObject(skin_);
    }

    bool Open(const RECT& like, const char* line1, const char* line2) {
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
        BitBlt(dc, 0, 0, 156, 96, memory_, 0, 0, SRCCOPY);
        const HGDIOBJ oldFont = SelectObject(dc, font_);
        RECT first = {2, 54, 108, 68}, second = {2, 67, 108, 80};
        DrawTextA(dc, line1_, -1, &first, DT_CENTER);
        DrawTextA(dc, line2_, -1, &second, DT_CENTER);
        SelectObject(dc, oldFont);
        SelectObject(memory_, oldSkin);
        EndPaint(window, &paint);
        ++paints_;
    }

    HBITMAP skin_;
    HDC memory_;
    HFONT font_;
    HWND handle_ = nullptr;
    const char* line1_ = "";
    const char* line2_ = "";
    long paints_ = 0;
};

double RepaintMicroseconds(HWND window, int repaints) {
    Stopwatch clock;
    for (int i = 0; i < repaints; ++i) RedrawWindow(window, nullptr, nullptr, kRepaintFlags);
    return clock.Ms() * 1000.0 / repaints;
}

// A repaint costs far less than the load on a shared machine drifts: the two windows take
// turns in short batches (runs), many of them.
int RunPaint(int repaints, int runs) {
    const char line1[] = "Drag files here", line2[] = "40% done (2 to go)";
    ParceloWindow window;
    if (!window.Open()) return 1;
    window->status.statusLine1 = line1;
    window->status.statusLine2 = line2;
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

// Diagnostics for the report: what one bare round trip to the agent costs per dispatch id.
int RunCalls(int count) {
    BareAgent bare;
    if (!bare.Create()) return 1;
    struct Probe {
        const char* label;
        DISPID id;
    };
    const Probe probes[] = {{"GetStatus (default answer)", DispGetStatus},
                            {"IsSignedIn (scripted answer)", DispIsSignedIn}};
    for (const Probe& probe : probes) {
        Stopwatch clock;
        for (int i = 0; i < count; ++i) {
            VARIANT result;
            VariantInit(&result);
            bare.Call(probe.id, nullptr, 0, &result);
            VariantClear(&result);
        }
        std::printf("  %-34s %8.1f us per call\n", probe.label, clock.Ms() * 1000.0 / count);
    }
    Stopwatch clock;
    for (int i = 0; i < count; ++i) bare.UploadOne(L"C:\\parcelo-bench\\track00001.mp3", 31);
    std::printf("  %-34s %8.1f us per item\n", "IsSignedIn + Upload (bare floor)", clock.Ms() * 1000.0 / count);
    // What the scripted agent does before each answer: open the script key, read its values.
    clock.Restart();
    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kScriptKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        for (const char* name : {"12.hr", "12.vt", "12.value", "12.value", "12.delay", "12.events", "LogFile"}) {
            BYTE data[64];
            DWORD size = sizeof data, type = 0;
            RegQueryValueExA(key, name, nullptr, &type, data, &size);
        }
        RegCloseKey(key);
    }
    std::printf("  %-34s %8.1f us per call\n", "the agent's script reading", clock.Ms() * 1000.0 / count);

    // Parcelo's size check before each upload (UploadController.cpp), and a check that reads
    // the size without opening the file.
    for (bool real : {true, false}) {
        const std::vector<std::string> items = Narrow(MakePaths(static_cast<size_t>(count), real));
        clock.Restart();
        for (const std::string& item : items) {
            const HANDLE file = CreateFileA(item.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            LARGE_INTEGER size;
            GetFileSizeEx(file, &size);
            CloseHandle(file);
        }
        std::printf("  %-34s %8.1f us per file\n", real ? "size check, open (real files)" : "size check, open (missing files)",
                    clock.Ms() * 1000.0 / count);
        clock.Restart();
        for (const std::string& item : items) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            GetFileAttributesExA(item.c_str(), GetFileExInfoStandard, &data);
        }
        std::printf("  %-34s %8.1f us per file\n",
                    real ? "size check, attributes (real)" : "size check, attributes (missing)",
                    clock.Ms() * 1000.0 / count);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    OleSession ole;
    if (!ole.ok()) return 1;
    GetAppModule().Init(GetModuleHandleA(nullptr));
    SignedInScript script;
    if (what == "drop" && argc == 6 && (std::strcmp(argv[2], "missing") == 0 || std::strcmp(argv[2], "real") == 0)) {
        const size_t sizes[2] = {std::strtoul(argv[3], nullptr, 10), std::strtoul(argv[4], nullptr, 10)};
        return RunDrop(sizes, std::strcmp(argv[2], "real") == 0, std::atoi(argv[5]));
    }
    if (what == "replay" && argc == 5) {
        const size_t sizes[2] = {std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10)};
        return RunReplay(sizes, std::atoi(argv[4]));
    }
    if (what == "paint" && argc == 4) return RunPaint(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "calls" && argc == 3) return RunCalls(std::atoi(argv[2]));
    std::fprintf(stderr,
                 "usage: inproc_bench drop <missing|real> <small> <large> <rounds> | replay <small> <large> <rounds> |"
                 " paint <repaints> <runs> | calls <count>\n");
    return 2;
}

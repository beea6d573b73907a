// Where the start-up time goes: parcelo.exe's start again (app/Main.cpp with the real
// MainWindow) or the bare program's, with a clock read between the steps. Started by
// start_bench's profile mode like the programs themselves; writes "<step> <ms>" lines to
// the report file once the window is shown, then runs until it is closed.
//
//   start_profile <report file> parcelo|bare|calls|init-ole|init-com|as-is|ladder-<hex>|late-start[-delayed]
//
// init-ole, init-com: OleInitialize or CoInitializeEx as the first call of a fresh process,
// then ends.
//
// as-is: app/Main.cpp unchanged, to tell this executable's start from parcelo.exe's.
//
// ladder-<hex>: the bare start with the parts of parcelo.exe's start that the bits name (see
// LadderPart), window class "ParceloLadder".
//
// late-start-delayed: the same as late-start with that work 300 ms after the show, surely after anyone
// timing the start has seen the window.
//
// late-start: parcelo.exe's start as the proposed fix would make it: COM alone (CoInitializeEx)
// at first, OleInitialize and the tray icon's NIM_ADD once the window is shown. Wine lets
// WM_CREATE's RegisterDragDrop succeed without OLE, so that call stays where it is here; the
// fix moves it too (Windows wants OLE for it), and gains its time as well. start_bench times
// this mode beside parcelo.exe; with a report file other than "-" it writes what the drop
// target's registration answered in WM_CREATE and after the show.
//
// calls: each call that parcelo.exe makes before its window is shown and the bare program
// does not, timed on its own, in a fresh process, in parcelo.exe's order (so each carries
// its first-use cost, as it does in parcelo.exe).
//
// Both modes run in this one executable, so both load Parcelo's DLLs; what the DLLs that only
// Parcelo imports cost is measured by LoadProbe.cpp.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "tests/support/Owned.h"
#include "agent/AgentProtocol.h"
#include "bench/BareParts.h"
#include "bench/BenchSupport.h"
#include "res/resource.h"
#include "ui/AppModule.h"
#include "ui/MainWindow.h"
#include "ui/TrayIcon.h"
#include "win/ComPtr.h"

namespace {
const StartRequests SHOWN_AT_START = {false, true};  // " /showparcelo"
}  // namespace

namespace {

std::string g_report;
double g_trayMs = 0;
double g_factoryMs = 0;

void Report(const char* step, double ms) { g_report += std::string(step) + " " + std::to_string(ms) + "\n"; }

// Reports the time since the last call (or since it was made).
class StepClock {
public:
    void Step(const char* step) {
        Report(step, clock_.Ms());
        clock_.Restart();
    }

private:
    Stopwatch clock_;
};

// From the process's creation (as the system recorded it) to this moment.
double SinceProcessCreated() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0;
}

BOOL WINAPI TimedNotify(DWORD action, PNOTIFYICONDATAW data) {
    Stopwatch clock;
    const BOOL result = Shell_NotifyIconW(action, data);
    g_trayMs += clock.Ms();
    return result;
}

ConnectFailure TimedFactory(IDispatch** agent) {
    Stopwatch clock;
    const ConnectFailure result = CreateAgentObject(agent);
    g_factoryMs += clock.Ms();
    return result;
}

int WINAPI NoBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

void WriteReport(const char* path) {
    if (std::strcmp(path, "-") == 0) return;
    if (FILE* out = std::fopen(path, "w")) {
        std::fputs(g_report.c_str(), out);
        std::fclose(out);
    }
}

// The steps of app/Main.cpp and of MainWindow's WM_CREATE and deferred start.
int ProfileParcelo(HINSTANCE instance, const char* reportPath) {
    StepClock clock;
    OleInitialize(nullptr);
    clock.Step("parcelo.OleInitialize");
    GetAppModule().Init(instance);
    MainWindow::seams = {&NoBox, &time, &TimedFactory, nullptr};
    g_shellNotifyIcon = &TimedNotify;
    MainWindow* window = new MainWindow(SHOWN_AT_START);
    clock.Step("parcelo.MainWindow-constructor(cursors,icons,font)");
    if (!window->CreateDropWindow()) return 1;
    clock.Step("parcelo.CreateDropWindow(class,window,WM_CREATE)");
    Report("parcelo.-of-which-tray-icon(Shell_NotifyIconW)", g_trayMs);
    const HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG msg;
    while (!IsWindowVisible(window->windowHandle) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(window->windowHandle, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    clock.Step("parcelo.deferred-start(settings,connect,configure,show)");
    Report("parcelo.agent-create(CLSIDFromProgID,CoCreateInstance)", g_factoryMs);
    Stopwatch settings;
    window->Session().ReadSettings();
    Report("parcelo.ReadSettings(once-more,after-start)", settings.Ms());
    WriteReport(reportPath);
    RunMessageLoop(window->windowHandle, accelerators);
    window->Release();
    OleUninitialize();
    return 0;
}

// The steps of BareStart.cpp.
int ProfileBare(HINSTANCE instance, const char* reportPath) {
    StepClock clock;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    clock.Step("bare.CoInitializeEx");
    const HWND window = bare::CreateDropSizedWindow(instance, &bare::QuitOnDestroy, "ParceloProfileBare");
    if (!window) return 1;
    clock.Step("bare.class-and-window");
    {
        CLSID clsid;
        ComPtr<IDispatch> agent;
        if (FAILED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, agent.PutVoid())))
            return 1;
        clock.Step("bare.agent-create(CLSIDFromProgID,CoCreateInstance)");
        bare::Call(agent.Get(), agentproto::DispGetVersion, nullptr, 0);
        bare::IgnoringSink sink;
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        if (SUCCEEDED(agent->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
            SUCCEEDED(container->FindConnectionPoint(agentproto::EVENT_IID, point.Put())))
            point->Advise(&sink, &cookie);
        bare::Call(agent.Get(), agentproto::DispGetStatus, nullptr, 0);
        VARIANT five;
        VariantInit(&five);
        five.vt = VT_I2;
        five.iVal = 5;
        bare::Call(agent.Get(), agentproto::DispConfigure, &five, 1);
        clock.Step("bare.GetVersion,Advise,GetStatus,Configure");
        ShowWindow(window, SW_SHOW);
        clock.Step("bare.ShowWindow");
        WriteReport(reportPath);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        if (cookie) point->Unadvise(cookie);
    }
    CoUninitialize();
    return 0;
}

NOTIFYICONDATAW g_lateTray;
bool g_trayHeld = false;   // an add is waiting
bool g_trayAdded = false;  // the held add has been made

// Holds the first NIM_ADD back (with its own copy of the icon, which the caller destroys at
// once) for the message loop to make once the window is shown.
BOOL WINAPI HoldFirstAdd(DWORD action, PNOTIFYICONDATAW data) {
    if (action != NIM_ADD || g_trayHeld || g_trayAdded) return Shell_NotifyIconW(action, data);
    g_lateTray = *data;
    g_lateTray.hIcon = CopyIcon(data->hIcon);
    g_trayHeld = true;
    return TRUE;
}

// app/Main.cpp as it is: tells how far this executable's start differs from parcelo.exe's.
int RunAsIs(HINSTANCE instance) {
    OleInitialize(nullptr);
    GetAppModule().Init(instance);
    MainWindow* window = new MainWindow(SHOWN_AT_START);
    if (window->CreateDropWindow())
        RunMessageLoop(window->windowHandle, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS)));
    window->Release();
    OleUninitialize();
    return 0;
}

// app/Main.cpp with OLE and the tray icon set up after the deferred start.
int RunLateStart(HINSTANCE instance, const char* reportPath, DWORD delayMs) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    GetAppModule().Init(instance);
    g_shellNotifyIcon = &HoldFirstAdd;
    MainWindow* window = new MainWindow(SHOWN_AT_START);
    if (window->CreateDropWindow()) {
        const HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
        // Wakes the loop while the held work waits out its delay.
        const UINT_PTR tick = delayMs ? SetTimer(nullptr, 0, 20, nullptr) : 0;
        DWORD shownAt = 0;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (TranslateAcceleratorA(window->windowHandle, accelerators, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (g_trayHeld && window->windowHandle && IsWindowVisible(window->windowHandle) && shownAt == 0)
                shownAt = GetTickCount() | 1;
            if (g_trayHeld && shownAt != 0 && GetTickCount() - shownAt >= delayMs) {
                g_trayHeld = false;
                g_trayAdded = true;
                const bool registeredEarly = GetPropA(window->windowHandle, "OleDropTargetInterface") != nullptr;
                OleInitialize(nullptr);
                const HRESULT late = RegisterDragDrop(window->windowHandle, window);
                Shell_NotifyIconW(NIM_ADD, &g_lateTray);
                if (std::strcmp(reportPath, "-") != 0) {
                    Report("late-start.registered-in-WM_CREATE", registeredEarly ? 1 : 0);
                    Report("late-start.RegisterDragDrop-after-show-HRESULT", static_cast<double>(static_cast<DWORD>(late)));
                    WriteReport(reportPath);
                }
                if (tick) KillTimer(nullptr, tick);
                DestroyIcon(g_lateTray.hIcon);
            }
        }
    }
    window->Release();
    if (g_trayAdded) OleUninitialize();
    CoUninitialize();
    return 0;
}

// Takes no drops; RegisterDragDrop needs a target to hold.
class NoDrop final : public bare::UncountedDropTarget {
public:
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

// As MainWindow loads it: at the small-icon size, the program's own (not shared) copy.
HICON LoadSmallIcon(HINSTANCE instance) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PARCELO_SMALL), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

// MainWindow's constructor, WM_CREATE and deferred start, one call at a time.
int ProfileCalls(HINSTANCE instance, const char* reportPath) {
    StepClock clock;
    OleInitialize(nullptr);
    clock.Step("calls.OleInitialize");
    RegisterClipboardFormatA("FileGroupDescriptor");
    clock.Step("calls.RegisterClipboardFormatA");
    LoadCursorA(instance, MAKEINTRESOURCEA(IDC_OPEN_HAND));  // shared: nothing to give back
    LoadCursorA(instance, MAKEINTRESOURCEA(IDC_GRAB_HAND));
    clock.Step("calls.LoadCursorA-x2");
    HICON icons[2] = {LoadSmallIcon(instance), LoadIconA(instance, MAKEINTRESOURCEA(IDI_PARCELO_LARGE))};
    clock.Step("calls.LoadImageA+LoadIconA");
    HFONT font = CreateFontA(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Narrow");
    clock.Step("calls.CreateFontA");
    const HWND window = bare::CreateDropSizedWindow(instance, &bare::QuitOnDestroy, "ParceloProfileCalls");
    if (!window) return 1;
    clock.Step("calls.RegisterClassExA+CreateWindowExA");
    HBITMAP frames[4];
    for (int i = 0; i < 4; ++i) frames[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SKIN_FRAME0 + i));
    clock.Step("calls.LoadBitmapA-x4");
    HDC frameDc = CreateCompatibleDC(nullptr);
    clock.Step("calls.CreateCompatibleDC");
    NoDrop target;
    RegisterDragDrop(window, &target);
    clock.Step("calls.RegisterDragDrop");
    NotifyTrayIcon(window, TRAY_ICON_ID, icons[0], TRAY_TIP, NIM_ADD);
    clock.Step("calls.Shell_NotifyIconA(NIM_ADD)");
    SetTimer(window, SKIN_TIMER_ID, SKIN_TIMER_PERIOD, nullptr);
    SetWindowTextA(window, "Parcelo");
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons[0]));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons[1]));
    clock.Step("calls.SetTimer,SetWindowTextA,WM_SETICON-x2");
    ShowWindow(window, SW_SHOW);
    clock.Step("calls.ShowWindow");
    WriteReport(reportPath);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    NotifyTrayIcon(window, TRAY_ICON_ID, nullptr, L"", NIM_DELETE);
    RevokeDragDrop(window);
    DeleteDC(frameDc);
    for (HBITMAP frame : frames) DeleteObject(frame);
    DeleteObject(font);
    DestroyIcon(icons[0]);  // the cursors and the large icon are shared
    OleUninitialize();
    return 0;
}

// The bare program's start with parts of parcelo.exe's added, one bit each, so that timing
// the variants side by side shows what each part costs the start (ladder-<hex bits>).
enum LadderPart : unsigned {
    OLE = 1,           // OleInitialize instead of CoInitializeEx
    RESOURCES = 2,     // clipboard format, two cursors, two icons, the status font
    BITMAPS = 4,       // the four skin frames and a memory DC
    DROP_TARGET = 8,    // RegisterDragDrop
    TRAY = 16,         // the tray icon's NIM_ADD
    WINDOW_ICONS = 32,  // SetTimer, SetWindowTextA, WM_SETICON small and big
    SETTINGS = 64,     // the three settings keys opened and read
    DEFERRED = 128,    // connect and show from a posted message, as the drop window does
    REPAINTS = 256,    // two RedrawWindow while hidden, as the first status does
};

struct LadderState {
    unsigned parts;
    HINSTANCE instance;
    bool done = false;
    ComPtr<IDispatch> agent;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    bare::IgnoringSink sink;
};

const UINT LADDER_START = WM_USER + 104;
LadderState* g_ladder = nullptr;

void LadderConnectAndShow(HWND window) {
    LadderState& state = *g_ladder;
    if (state.parts & SETTINGS) {
        for (const char* key : {"Software\\Sonavo Inc.\\Parcelo\\Proxy", "Software\\Sonavo Inc.\\Parcelo\\Position",
                                "Software\\Sonavo Inc.\\Parcelo\\User"}) {
            HKEY opened = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
            const OwnedKey owned(opened);
            DWORD value = 0, size = sizeof value;
            RegQueryValueExA(owned.Get(), "X", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        }
    }
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, state.agent.PutVoid())))
        return;
    bare::Call(state.agent.Get(), agentproto::DispGetVersion, nullptr, 0);
    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(state.agent->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
        SUCCEEDED(container->FindConnectionPoint(agentproto::EVENT_IID, state.point.Put())))
        state.point->Advise(&state.sink, &state.cookie);
    bare::Call(state.agent.Get(), agentproto::DispGetStatus, nullptr, 0);
    if (state.parts & REPAINTS) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    VARIANT five;
    VariantInit(&five);
    five.vt = VT_I2;
    five.iVal = 5;
    bare::Call(state.agent.Get(), agentproto::DispConfigure, &five, 1);
    ShowWindow(window, SW_SHOW);
}

LRESULT CALLBACK LadderProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == LADDER_START) {
        LadderConnectAndShow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunLadder(HINSTANCE instance, unsigned parts) {
    LadderState state;
    state.parts = parts;
    state.instance = instance;
    g_ladder = &state;
    if (parts & OLE)
        OleInitialize(nullptr);
    else
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HICON icons[2] = {};
    HFONT font = nullptr;
    if (parts & RESOURCES) {
        RegisterClipboardFormatA("FileGroupDescriptor");
        LoadCursorA(instance, MAKEINTRESOURCEA(IDC_OPEN_HAND));  // shared: nothing to give back
        LoadCursorA(instance, MAKEINTRESOURCEA(IDC_GRAB_HAND));
        icons[0] = LoadSmallIcon(instance);
        icons[1] = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PARCELO_LARGE));
        font = CreateFontA(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Narrow");
    }
    const HWND window = bare::CreateDropSizedWindow(instance, &LadderProcedure, "ParceloLadder");
    if (!window) return 1;
    HBITMAP frames[4] = {};
    HDC frameDc = nullptr;
    if (parts & BITMAPS) {
        for (int i = 0; i < 4; ++i) frames[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SKIN_FRAME0 + i));
        frameDc = CreateCompatibleDC(nullptr);
    }
    NoDrop target;
    if (parts & DROP_TARGET) RegisterDragDrop(window, &target);
    if (parts & TRAY) {
        if (!icons[0]) icons[0] = LoadSmallIcon(instance);
        NotifyTrayIcon(window, TRAY_ICON_ID, icons[0], TRAY_TIP, NIM_ADD);
    }
    if (parts & WINDOW_ICONS) {
        SetTimer(window, SKIN_TIMER_ID, SKIN_TIMER_PERIOD, nullptr);
        SetWindowTextA(window, "Parcelo");
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons[0]));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons[1]));
    }
    if (parts & DEFERRED)
        PostMessageA(window, LADDER_START, 0, 0);
    else
        LadderConnectAndShow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (parts & TRAY) NotifyTrayIcon(window, TRAY_ICON_ID, nullptr, L"", NIM_DELETE);
    if (parts & DROP_TARGET) RevokeDragDrop(window);
    if (state.cookie) state.point->Unadvise(state.cookie);
    state.point.Reset();
    state.agent.Reset();
    if (frameDc) DeleteDC(frameDc);
    for (HBITMAP frame : frames)
        if (frame) DeleteObject(frame);
    if (font) DeleteObject(font);
    if (icons[0]) DestroyIcon(icons[0]);  // the cursors and the large icon are shared
    if (parts & OLE)
        OleUninitialize();
    else
        CoUninitialize();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const double sinceCreated = SinceProcessCreated();
    if (__argc != 3) return 2;
    const std::string mode = __argv[2];
    Report((mode + ".process-created-to-WinMain").c_str(), sinceCreated);
    if (mode == "parcelo") return ProfileParcelo(instance, __argv[1]);
    if (mode == "bare") return ProfileBare(instance, __argv[1]);
    if (mode == "calls") return ProfileCalls(instance, __argv[1]);
    if (mode == "as-is") return RunAsIs(instance);
    if (mode.rfind("ladder-", 0) == 0) return RunLadder(instance, std::stoul(mode.substr(7), nullptr, 16));
    if (mode == "late-start") return RunLateStart(instance, __argv[1], 0);
    if (mode == "late-start-delayed") return RunLateStart(instance, __argv[1], 300);
    if (mode == "init-ole" || mode == "init-com") {
        Stopwatch clock;
        const HRESULT hr = mode == "init-ole" ? OleInitialize(nullptr) : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Report(mode == "init-ole" ? "init.OleInitialize(first-call)" : "init.CoInitializeEx(first-call)", clock.Ms());
        WriteReport(__argv[1]);
        if (SUCCEEDED(hr)) mode == "init-ole" ? OleUninitialize() : CoUninitialize();
        return 0;
    }
    return 2;
}

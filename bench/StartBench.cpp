// Starts parcelo.exe and the bare start-up program by turns and measures each until its
// window is shown with the agent configured: the time from just before CreateProcess to
// the first poll that sees the window visible, and the memory the process has taken by then.
//
//   start_bench <cold|warm> <runs> <parcelo.exe> <bare_start.exe> [<start_profile.exe> [<mode>...]]
//   start_bench profile <runs> <start_profile.exe> <load_probe.exe>
//   start_bench scale <runs> <parcelo.exe> <dpi>
//
// cold: no agent server runs when a program starts, so its CoCreateInstance starts one (and
// the program's exit ends it again). warm: this program holds an agent object for the whole
// run, so every program finds the server running. profile (warm): where the time goes, step
// by step, as start_profile.exe and load_probe.exe report it. With start_profile.exe given,
// cold and warm also time its late-start mode (or the modes named) as further programs
// (ABCABC): parcelo.exe as the proposed start-up fix would make it. scale (warm): parcelo.exe at
// the display scale of <dpi> against parcelo.exe at 100 %, by turns, the scale set for each start
// (LogPixels, which a process reads as it starts; the session runs nothing else meanwhile).
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "bench/BareParts.h"
#include "bench/BenchSupport.h"
#include "ui/DropLayout.h"
#include "win/ComPtr.h"

namespace {

struct Program {
    const char* label;
    std::string commandLine;
    const char* windowClass;
    std::string mode;  // start_profile.exe's, for its results' names
    DWORD dpi = 0;     // the display scale it starts at; 0 leaves it as it is
};

const wchar_t DESKTOP_KEY[] = L"Control Panel\\Desktop";

void SetDisplayScale(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, DESKTOP_KEY, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

// The display scale as it was before the benchmark, put back at its end.
class KeptDisplayScale {
public:
    KeptDisplayScale() {
        DWORD size = sizeof dpi_;
        had_ = RegGetValueW(HKEY_CURRENT_USER, DESKTOP_KEY, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi_, &size) ==
               ERROR_SUCCESS;
    }
    KeptDisplayScale(const KeptDisplayScale&) = delete;
    KeptDisplayScale& operator=(const KeptDisplayScale&) = delete;
    ~KeptDisplayScale() {
        if (had_)
            SetDisplayScale(dpi_);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, DESKTOP_KEY, L"LogPixels");
    }

private:
    DWORD dpi_ = 0;
    bool had_ = false;
};

struct Sample {
    double ms = 0;
    double peakWorkingSetKb = 0;
    double privateKb = 0;
};

HWND FindShownWindow(const char* windowClass, DWORD pid) {
    for (HWND window = FindWindowExA(nullptr, nullptr, windowClass, nullptr); window;
         window = FindWindowExA(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

class ChildProcess {
public:
    ChildProcess() { ZeroMemory(&info_, sizeof info_); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (!info_.hProcess) return;
        // Only a program that ignored its close request gets here still running.
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    bool Start(std::string commandLine) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_) != FALSE;
    }
    HANDLE Process() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_;
};

// Checks every millisecond: Wine 8 delivered no show event to an out-of-context event hook
// here. Null when the program ends or takes over 30 s.
HWND WaitForShown(const ChildProcess& child, const char* windowClass, const Stopwatch& clock) {
    for (;;) {
        if (const HWND window = FindShownWindow(windowClass, child.Id())) return window;
        if (child.Ended() || clock.Ms() > 30000) return nullptr;
        Sleep(1);
    }
}

bool Measure(const Program& program, bool cold, Sample& sample) {
    if (cold && !WaitForAgentGone(20000)) {
        std::fprintf(stderr, "the agent's server did not end\n");
        return false;
    }
    const LONG configuredBefore = cold ? 0 : AgentScript::CallCount(agentproto::DispConfigure);

    if (program.dpi) SetDisplayScale(program.dpi);
    ChildProcess child;
    Stopwatch clock;
    if (!child.Start(program.commandLine)) {
        std::fprintf(stderr, "cannot start %s\n", program.commandLine.c_str());
        return false;
    }
    const HWND window = WaitForShown(child, program.windowClass, clock);
    if (!window) {
        std::fprintf(stderr, "%s never showed its window\n", program.label);
        return false;
    }
    sample.ms = clock.Ms();

    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(child.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        sample.peakWorkingSetKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
        // The commit charge: Windows gives it as both PrivateUsage and PagefileUsage, Wine
        // only as PagefileUsage (the process's anonymous resident memory plus its swap).
        sample.privateKb = static_cast<double>(memory.PagefileUsage) / 1024.0;
    }

    // Both programs configure the agent before they show the window; the agent's count says so.
    const LONG configured = AgentScript::CallCount(agentproto::DispConfigure);
    if (configured != configuredBefore + 1) {
        std::fprintf(stderr, "%s: shown, but the agent counted %ld Configure calls instead of %ld\n", program.label,
                     configured, configuredBefore + 1);
        return false;
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(child.Process(), 15000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%s did not end after WM_CLOSE\n", program.label);
        return false;
    }
    return true;
}

std::string Quoted(const char* path) { return std::string("\"") + path + "\""; }

// Runs one profiled start and adds its "<step> <ms>" lines to the steps.
bool Profile(const std::string& commandLine, const char* windowClass, const std::string& report,
             std::vector<std::string>& order, std::map<std::string, std::vector<double>>& steps) {
    DeleteFileA(report.c_str());
    ChildProcess child;
    Stopwatch clock;
    if (!child.Start(commandLine)) return false;
    if (windowClass) {
        const HWND window = WaitForShown(child, windowClass, clock);
        if (!window) return false;
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(child.Process(), 15000) != WAIT_OBJECT_0) return false;
    std::ifstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string step;
        double ms = 0;
        if (!(fields >> step >> ms)) continue;
        if (!steps.count(step)) order.push_back(step);
        steps[step].push_back(ms);
    }
    return true;
}

int RunProfile(int runs, const char* profileExe, const char* probeExe) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string report = std::string(temp) + "parcelo-bench-profile.txt";
    const std::string quotedReport = " " + Quoted(report.c_str());
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> steps;
    for (int run = 0; run <= runs; ++run) {
        std::vector<std::string> kept = order;
        std::map<std::string, std::vector<double>> keptSteps = steps;
        if (!Profile(Quoted(profileExe) + quotedReport + " parcelo", "Sonavo", report, order, steps) ||
            !Profile(Quoted(profileExe) + quotedReport + " bare", "ParceloProfileBare", report, order, steps) ||
            !Profile(Quoted(profileExe) + quotedReport + " calls", "ParceloProfileCalls", report, order, steps) ||
            !Profile(Quoted(profileExe) + quotedReport + " init-ole", nullptr, report, order, steps) ||
            !Profile(Quoted(profileExe) + quotedReport + " init-com", nullptr, report, order, steps) ||
            !Profile(Quoted(probeExe) + quotedReport, nullptr, report, order, steps)) {
            std::fprintf(stderr, "a profiled start failed\n");
            return 1;
        }
        if (run == 0) {  // not counted: the files are in the page cache from then on
            order = kept;
            steps = keptSteps;
        }
    }
    std::printf("start-up steps, warm agent, median of %d runs, ms\n", runs);
    for (const std::string& step : order) std::printf("  %-72s %8.2f\n", step.c_str(), Median(steps[step]));
    return 0;
}

// With no desktop, Wine shows its own tray window while any icon is in it and removes it with
// the last one. A held icon keeps that window up, so that a program's NIM_ADD costs only the
// icon itself, as it would with a taskbar.
class HeldTrayIcon {
public:
    HeldTrayIcon() {
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ZeroMemory(&data_, sizeof data_);
        data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data_.hWnd = window_;
        data_.uID = 1;
        data_.uFlags = NIF_ICON | NIF_TIP;
        data_.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
        lstrcpynA(data_.szTip, "start_bench", sizeof data_.szTip);
        added_ = window_ && Shell_NotifyIconA(NIM_ADD, &data_);
    }
    HeldTrayIcon(const HeldTrayIcon&) = delete;
    HeldTrayIcon& operator=(const HeldTrayIcon&) = delete;
    ~HeldTrayIcon() {
        if (added_) Shell_NotifyIconA(NIM_DELETE, &data_);
        if (window_) DestroyWindow(window_);
    }
    bool added() const { return added_; }

private:
    HWND window_ = nullptr;
    NOTIFYICONDATAA data_;
    bool added_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const bool profile = argc == 5 && std::strcmp(argv[1], "profile") == 0;
    const bool scaled = argc == 5 && std::strcmp(argv[1], "scale") == 0;
    if (argc < 5 ||
        (std::strcmp(argv[1], "cold") != 0 && std::strcmp(argv[1], "warm") != 0 && !profile && !scaled)) {
        std::fprintf(stderr,
                     "usage: start_bench <cold|warm> <runs> <parcelo.exe> <bare_start.exe> [<start_profile.exe> [<mode>...]]\n"
                     "       start_bench profile <runs> <start_profile.exe> <load_probe.exe>\n"
                     "       start_bench scale <runs> <parcelo.exe> <dpi>\n");
        return 2;
    }
    const bool cold = std::strcmp(argv[1], "cold") == 0;
    const int runs = std::atoi(argv[2]);
    const DWORD scaleDpi = scaled ? static_cast<DWORD>(std::atoi(argv[4])) : 0;
    std::vector<Program> programs = {{"parcelo", Quoted(argv[3]) + " /showparcelo", "Sonavo", ""},
                                     {"bare", Quoted(argv[4]), "ParceloBareStart", ""}};
    const KeptDisplayScale keptScale;
    if (scaled) {
        // The same program twice: at the scale, measured against itself at 100 %.
        programs = {{"parcelo at the scale", programs[0].commandLine, "Sonavo", "", scaleDpi},
                    {"parcelo at 100 %", programs[0].commandLine, "Sonavo", "", LOGICAL_DPI}};
    }
    // start_profile.exe's modes to time as further programs: late-start unless others are named.
    std::vector<std::string> modes;
    for (int i = 6; i < argc; ++i) modes.push_back(argv[i]);
    if (argc == 6) modes.push_back("late-start");
    for (const std::string& mode : modes)
        programs.push_back({"start_profile.exe", Quoted(argv[5]) + " - " + mode,
                            mode == "bare" ? "ParceloProfileBare"
                                           : mode.rfind("ladder-", 0) == 0 ? "ParceloLadder" : "Sonavo",
                            mode});
    const size_t sides = programs.size();

    ComScope com;
    ComPtr<IDispatch> holder;  // warm: keeps one server running throughout
    if (!cold) {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, holder.PutVoid()))) {
            std::fprintf(stderr, "cannot reach the agent\n");
            return 1;
        }
    }

    if (profile) return RunProfile(runs, argv[3], argv[4]);

    // BENCH_HOLD_TRAY=1: a diagnostic, what the tray icon costs with the tray window kept up.
    char hold[4] = {};
    std::unique_ptr<HeldTrayIcon> heldTray;
    if (GetEnvironmentVariableA("BENCH_HOLD_TRAY", hold, sizeof hold) && hold[0] == '1') {
        heldTray = std::make_unique<HeldTrayIcon>();
        std::printf("holding a tray icon of its own: %s\n", heldTray->added() ? "yes" : "could not add it");
    }

    // One start of each that is not counted: the files are in the page cache from then on.
    Sample ignored;
    for (const Program& program : programs)
        if (!Measure(program, cold, ignored)) return 1;

    std::vector<std::vector<double>> ms(sides), peak(sides), priv(sides);
    for (int run = 0; run < runs; ++run) {
        for (size_t side = 0; side < sides; ++side) {  // ABAB: drift on the machine hits all alike
            Sample sample;
            if (!Measure(programs[side], cold, sample)) return 1;
            ms[side].push_back(sample.ms);
            peak[side].push_back(sample.peakWorkingSetKb);
            priv[side].push_back(sample.privateKb);
        }
    }
    const std::string mode = cold ? "cold" : scaled ? "scale-" + std::to_string(scaleDpi * 100 / LOGICAL_DPI) : "warm";
    std::printf("start-up, %s agent, %d runs each (ms; peak working set and private bytes in KiB)\n", mode.c_str(), runs);
    for (size_t side = 0; side < sides; ++side) {
        std::printf(" %s %s\n", programs[side].label, programs[side].mode.c_str());
        PrintSamples("time to shown, ms", ms[side]);
        PrintSamples("peak working set, KiB", peak[side]);
        PrintSamples("private bytes, KiB", priv[side]);
    }
    if (scaled) {
        // What the skin's frames take in memory: the one scale's that the window loads, against
        // every scale's, which it must never load.
        auto framesKib = [](int scale) {
            const LayoutSize size = SkinSizeAtScale(scale);
            return SKIN_CYCLE_FRAMES * size.width * size.height * 4 / 1024.0;
        };
        double every = 0;
        for (int scale : SKIN_SCALES) every += framesKib(scale);
        const int chosen = SkinScaleFor(scaleDpi);
        std::printf("the skin's frames as 32 bpp bitmaps, KiB: 100 %% %.0f, %d %% %.0f, every scale at once %.0f\n",
                    framesKib(SKIN_SCALES[0]), chosen, framesKib(chosen), every);
    }
    const std::string prefix = std::string("start-") + mode;
    PrintResult((prefix + "-ms").c_str(), Median(ms[0]), Median(ms[1]), PairedRatio(ms[0], ms[1]));
    // Memory hardly drifts with the load: the medians' ratio.
    PrintResult((prefix + "-peak-ws-kib").c_str(), Median(peak[0]), Median(peak[1]), Median(peak[0]) / Median(peak[1]));
    PrintResult((prefix + "-private-kib").c_str(), Median(priv[0]), Median(priv[1]), Median(priv[0]) / Median(priv[1]));
    for (size_t side = 2; side < sides; ++side)
        PrintResult((prefix + "-" + programs[side].mode + "-ms").c_str(), Median(ms[side]), Median(ms[1]),
                    PairedRatio(ms[side], ms[1]));
    return 0;
}

// What the in-process benchmarks share: Parcelo's real drop window in this process, connected
// to the real agent (the stand-in, out of process, scripted to answer IsSignedIn with 1 and
// Upload with S_OK without queuing) or to an agent in the process that answers at once, timed
// runs that check through the agent that each item arrived, and the figures' printing.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "bench/BareAgent.h"
#include "bench/BareParts.h"
#include "bench/BenchSupport.h"
#include "tests/support/AgentScript.h"
#include "tests/support/AnswerProbe.h"
#include "tests/support/Files.h"
#include "ui/AppModule.h"
#include "ui/MainWindow.h"

constexpr UINT REPAINT_FLAGS = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

inline int g_boxes = 0;
inline int g_signInDialogs = 0;

// Nothing may wait for a user: a box or a Sign In dialog would mean the drop did not go the
// signed-in way, and is reported as a failed run.
inline int WINAPI CountBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    ++g_boxes;
    std::fwprintf(stderr, L"message box: %ls\n", text ? text : L"");
    return IDOK;
}

inline INT_PTR CountSignIn(HWND) {
    ++g_signInDialogs;
    return IDOK;
}

inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The window's own message loop until it has handed every dropped item to the agent.
inline void RunUntilHandedOver(MainWindow& window) {
    MSG msg;
    while (!window.Session().HandOverDone() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

const StartRequests SHOWN_AT_START = {false, true};  // " /showparcelo"

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
        const ULONG held = window_->AddRef();
        window_->Release();
        if (held > 2) window_->Release();
        window_->Release();
        MainWindow::seams = MainWindowSeams();
    }

    bool Open(AgentFactory factory = &CreateAgentObject) {
        MainWindow::seams = {&CountBox, &time, factory, &CountSignIn};
        window_ = new MainWindow(SHOWN_AT_START);
        window_->AddRef();
        if (!window_->CreateDropWindow()) return false;
        Stopwatch clock;
        while (!IsWindowVisible(window_->windowHandle)) {
            if (clock.Ms() > 30000) return false;
            Pump();
            Sleep(1);
        }
        Pump();
        return window_->Session().CurrentClient() != nullptr;
    }
    MainWindow& operator*() const { return *window_; }
    MainWindow* operator->() const { return window_; }

private:
    MainWindow* window_ = nullptr;
};

// The calling thread's processor time (user and kernel), in ms: unlike the elapsed time, it
// hardly grows when other programs load the machine, and it leaves out the agent's side.
inline double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const ULONGLONG k = static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime;
    const ULONGLONG u = static_cast<ULONGLONG>(user.dwHighDateTime) << 32 | user.dwLowDateTime;
    return static_cast<double>(k + u) / 10000.0;
}

struct Series {
    std::vector<double> wall, cpu;  // ms per run
};

// How many uploads the agent has received so far.
using UploadCounter = LONG (*)();
inline LONG StandinUploads() { return AgentScript::CallCount(agentproto::DispUpload); }

// One run of one side: its times, and whether the agent heard exactly `items` uploads.
template <class Work>
inline bool TimeUploads(const char* label, size_t items, UploadCounter uploads, Work work, Series& series) {
    const LONG before = uploads();
    const int boxes = g_boxes, dialogs = g_signInDialogs;
    const double cpu = ThreadCpuMs();
    Stopwatch clock;
    work();
    const double ms = clock.Ms();
    const double cpuMs = ThreadCpuMs() - cpu;
    const LONG arrived = uploads() - before;
    if (arrived != static_cast<LONG>(items) || g_boxes != boxes || g_signInDialogs != dialogs) {
        std::fprintf(stderr, "%s: the agent received %ld of %zu uploads (%d boxes, %d sign-in dialogs)\n", label,
                     arrived, items, g_boxes - boxes, g_signInDialogs - dialogs);
        return false;
    }
    series.wall.push_back(ms);
    series.cpu.push_back(cpuMs);
    Pump();
    return true;
}

// Names of the same length either way: real 1-byte files, made once and kept for the runs,
// or names in a folder that does not exist (the size check's open fails at once); in the temporary
// folder, or under the root of another drive.
inline std::vector<std::wstring> MakePaths(size_t count, bool real, const std::wstring& root = Wide(TempFolder())) {
    const std::wstring base = root + L"parcelo-bench";
    const std::wstring folder = base + (real ? L"\\present" : L"\\missing");
    if (real) {
        CreateDirectoryW(base.c_str(), nullptr);
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

inline std::vector<std::string> Narrow(const std::vector<std::wstring>& paths) {
    std::vector<std::string> items;
    items.reserve(paths.size());
    for (const std::wstring& path : paths) items.emplace_back(path.begin(), path.end());  // ASCII names
    return items;
}

inline std::vector<UploadItem> Dropped(const std::vector<std::wstring>& paths) {
    std::vector<UploadItem> items;
    items.reserve(paths.size());
    for (const std::wstring& path : paths) items.push_back({path, true});
    return items;
}

// Each round: SMALL_AROUND small runs of each side, one large run of each, SMALL_AROUND small
// runs again, all ABAB. Both sizes see the same load, the small size gets more samples, and
// each large run has small runs just before and after it to be compared with.
constexpr int SMALL_AROUND = 2;

struct SizedTimes {
    Series parcelo, bare;
};

// Per round: the large run over the median of that round's small runs (10 when linear); the
// median of the rounds.
inline double Growth(const std::vector<double>& small, const std::vector<double>& large) {
    const size_t perRound = 2 * SMALL_AROUND;
    std::vector<double> growths;
    for (size_t round = 0; round < large.size() && (round + 1) * perRound <= small.size(); ++round) {
        const std::vector<double> around(small.begin() + static_cast<long>(round * perRound),
                                         small.begin() + static_cast<long>((round + 1) * perRound));
        growths.push_back(large[round] / Median(around));
    }
    return Median(growths);
}

inline void PrintGrowth(const char* name, const SizedTimes sized[2]) {
    const double parcelo = Growth(sized[0].parcelo.wall, sized[1].parcelo.wall);
    const double bare = Growth(sized[0].bare.wall, sized[1].bare.wall);
    std::printf("  growth large/small (elapsed): parcelo %.2f, bare %.2f", parcelo, bare);
    if (Median(sized[0].bare.cpu) > 0)
        std::printf("; (this thread's processor time): parcelo %.2f, bare %.2f",
                    Growth(sized[0].parcelo.cpu, sized[1].parcelo.cpu), Growth(sized[0].bare.cpu, sized[1].bare.cpu));
    std::printf("\n");
    PrintResult(name, parcelo, bare, parcelo / bare);
}

// The window's answers to WM_NULL while it worked: a line for the reader, one result for the table.
inline void PrintAnswers(const char* during, size_t items, const std::vector<double>& answers, const char* name) {
    std::printf("the window's answer to WM_NULL during %s %zu items: %zu messages, p50 %.2f ms, p99 %.2f ms, "
                "max %.2f ms\n",
                during, items, answers.size(), Percentile(answers, 0.5), Percentile(answers, 0.99),
                Percentile(answers, 1.0));
    PrintResult(name, Percentile(answers, 0.99), 0, 0);
}

inline void PrintSized(const char* name, const SizedTimes& sized, size_t items) {
    PrintTimes(name, sized.parcelo.wall, sized.bare.wall);
    PrintSamples("parcelo, thread cpu", sized.parcelo.cpu);
    PrintSamples("bare, thread cpu", sized.bare.cpu);
    const double parcelo = Median(sized.parcelo.wall) * 1000.0 / static_cast<double>(items);
    const double bare = Median(sized.bare.wall) * 1000.0 / static_cast<double>(items);
    std::printf("  per item: parcelo %.1f us, bare %.1f us, parcelo's own %.1f us", parcelo, bare, parcelo - bare);
    // The system counts a thread's time in 10 ms steps: a short run may show none.
    if (Median(sized.bare.cpu) > 0)
        std::printf("; this thread's processor time: ratio %.2f (median of pairs)",
                    PairedRatio(sized.parcelo.cpu, sized.bare.cpu));
    std::printf("\n");
}

// runSide(side, size index, series) runs one side once on one size.
template <class RunSide>
inline bool RunRounds(int rounds, RunSide runSide, SizedTimes sized[2]) {
    auto smallPairs = [&] {
        for (int i = 0; i < SMALL_AROUND; ++i)
            if (!runSide(0, 0, sized[0].parcelo) || !runSide(1, 0, sized[0].bare)) return false;
        return true;
    };
    for (int round = 0; round < rounds; ++round) {
        if (!smallPairs() || !runSide(0, 1, sized[1].parcelo) || !runSide(1, 1, sized[1].bare) || !smallPairs())
            return false;
    }
    return true;
}

// An agent in this process that answers at once: IsSignedIn 1, Upload S_OK (counted),
// GetVersion "1.6.0", anything else S_OK and empty. With it, what is left of a drop's time is
// the client's own work, free of the round trips and of the machine's load on them.
class NullAgent final : public bare::UncountedDispatch {
public:
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!result) return S_OK;
        VariantInit(result);
        if (id == agentproto::DispIsSignedIn) {
            result->vt = VT_I4;
            result->lVal = 1;
        } else if (id == agentproto::DispGetVersion) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"1.6.0");
        } else if (id == agentproto::DispUpload) {
            ++uploads;
        }
        return S_OK;
    }

    LONG uploads = 0;
};

inline NullAgent g_nullAgent;

inline ConnectFailure NullAgentFactory(IDispatch** agent) {
    *agent = &g_nullAgent;
    return ConnectFailure::None;
}

inline LONG NullAgentUploads() { return g_nullAgent.uploads; }

// Which agent both sides talk to, and the figures' names.
struct AgentChoice {
    AgentFactory factory;
    UploadCounter uploads;
    const char* prefix;  // of the figures' names
    bool null;
};

inline const AgentChoice STANDIN = {&CreateAgentObject, &StandinUploads, "", false};
inline const AgentChoice NULL_AGENT = {&NullAgentFactory, &NullAgentUploads, "own-", true};

inline bool Connect(const AgentChoice& agent, ParceloWindow& window, BareAgent& bare) {
    if (!window.Open(agent.factory)) return false;
    if (!agent.null) return bare.Create();
    bare.Attach(&g_nullAgent);
    return true;
}

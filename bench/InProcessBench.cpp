// Parcelo's real drop window in this process, connected to the real agent (the stand-in,
// out of process, scripted to answer IsSignedIn with 1 and Upload with S_OK without queuing),
// against the bare floor doing the same calls on the same agent. Runs alternate Parcelo and
// bare (ABAB); a figure is the median of its runs, its ratio the median of the pairs' ratios.
// Every run checks through the agent's call count that each item reached the agent.
//
//   inproc_bench drop <missing|real> <small> <large> <rounds>   IDropTarget::Drop of a CF_HDROP list
//   inproc_bench replay <small> <large> <rounds>                status 19 until the held items have gone,
//                                                               and the window's answers meanwhile
//   inproc_bench paint <repaints> <runs>                        RedrawWindow with both status lines
//   inproc_bench own <small> <large> <rounds>                   both drops and the replay against an
//                                                               in-process agent: the client's own cost
//   inproc_bench calls <count>                                  diagnostics: round trips, size checks
//   inproc_bench paths <items> <batches>                        diagnostics: one item's way, three forms
//   inproc_bench release <small> <large> <rounds>               a real DoDragDrop: when the source is
//                                                               released, how the window answers after
//
// drop and replay run both sizes by turns in one process, so that the growth from the small
// to the large size is measured under the same conditions.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "bench/BareAgent.h"
#include "bench/BareParts.h"
#include "bench/BenchSupport.h"
#include "bench/FileListData.h"
#include "tests/drop/DragSource.h"
#include "tests/support/AnswerProbe.h"
#include "tests/support/WindowFacts.h"
#include "res/resource.h"
#include "ui/AppModule.h"
#include "ui/MainWindow.h"

using namespace agentproto;

namespace {

const char SCRIPT_KEY[] = "Software\\Velorex\\UploadAgent\\Script";
constexpr UINT REPAINT_FLAGS = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

int g_boxes = 0;
int g_signInDialogs = 0;

// Nothing may wait for a user: a box or a Sign In dialog would mean the drop did not go the
// signed-in way, and is reported as a failed run.
int WINAPI CountBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    ++g_boxes;
    std::fwprintf(stderr, L"message box: %ls\n", text ? text : L"");
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

// The window's own message loop until it has handed every dropped item to the agent.
void RunUntilHandedOver(MainWindow& window) {
    MSG msg;
    while (!window.handOver.Empty() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
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
    ~SignedInScript() { RegDeleteTreeA(HKEY_CURRENT_USER, SCRIPT_KEY); }

private:
    static void Set(const char* name, DWORD value) {
        RegSetKeyValueA(HKEY_CURRENT_USER, SCRIPT_KEY, name, REG_DWORD, &value, sizeof value);
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

    bool Open(AgentFactory factory = &CreateAgentObject) {
        MainWindow::seams = {&CountBox, &time, factory, &CountSignIn};
        window_ = new MainWindow();
        window_->AddRef();
        if (!window_->ParseCommandLine(L" /showparcelo") || !window_->CreateDropWindow()) return false;
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

// The calling thread's processor time (user and kernel), in ms: unlike the elapsed time, it
// hardly grows when other programs load the machine, and it leaves out the agent's side.
double ThreadCpuMs() {
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
LONG StandinUploads() { return AgentCallCount(DispUpload); }

// One run of one side: its times, and whether the agent heard exactly `items` uploads.
template <class Work>
bool TimeUploads(const char* label, size_t items, UploadCounter uploads, Work work, Series& series) {
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

std::vector<UploadItem> Dropped(const std::vector<std::wstring>& paths) {
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
double Growth(const std::vector<double>& small, const std::vector<double>& large) {
    const size_t perRound = 2 * SMALL_AROUND;
    std::vector<double> growths;
    for (size_t round = 0; round < large.size() && (round + 1) * perRound <= small.size(); ++round) {
        const std::vector<double> around(small.begin() + static_cast<long>(round * perRound),
                                         small.begin() + static_cast<long>((round + 1) * perRound));
        growths.push_back(large[round] / Median(around));
    }
    return Median(growths);
}

void PrintGrowth(const char* name, const SizedTimes sized[2]) {
    const double parcelo = Growth(sized[0].parcelo.wall, sized[1].parcelo.wall);
    const double bare = Growth(sized[0].bare.wall, sized[1].bare.wall);
    std::printf("  growth large/small (elapsed): parcelo %.2f, bare %.2f", parcelo, bare);
    if (Median(sized[0].bare.cpu) > 0)
        std::printf("; (this thread's processor time): parcelo %.2f, bare %.2f",
                    Growth(sized[0].parcelo.cpu, sized[1].parcelo.cpu), Growth(sized[0].bare.cpu, sized[1].bare.cpu));
    std::printf("\n");
    PrintResult(name, parcelo, bare, parcelo / bare);
}

void PrintSized(const char* name, const SizedTimes& sized, size_t items) {
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
bool RunRounds(int rounds, RunSide runSide, SizedTimes sized[2]) {
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
class NullAgent final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!result) return S_OK;
        VariantInit(result);
        if (id == DispIsSignedIn) {
            result->vt = VT_I4;
            result->lVal = 1;
        } else if (id == DispGetVersion) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"1.6.0");
        } else if (id == DispUpload) {
            ++uploads;
        }
        return S_OK;
    }

    LONG uploads = 0;
};

NullAgent g_nullAgent;

ConnectFailure NullAgentFactory(IDispatch** agent) {
    *agent = &g_nullAgent;
    return ConnectFailure::None;
}

LONG NullAgentUploads() { return g_nullAgent.uploads; }

// Which agent both sides talk to, and the figures' names.
struct AgentChoice {
    AgentFactory factory;
    UploadCounter uploads;
    const char* prefix;  // of the figures' names
    bool null;
};

const AgentChoice STANDIN = {&CreateAgentObject, &StandinUploads, "", false};
const AgentChoice NULL_AGENT = {&NullAgentFactory, &NullAgentUploads, "own-", true};

bool Connect(const AgentChoice& agent, ParceloWindow& window, BareAgent& bare) {
    if (!window.Open(agent.factory)) return false;
    if (!agent.null) return bare.Create();
    bare.Attach(&g_nullAgent);
    return true;
}

int RunDrop(const AgentChoice& agent, const size_t sizes[2], bool real, int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!Connect(agent, window, bare)) return 1;
    ComPtr<IDataObject> data[2];
    for (int i = 0; i < 2; ++i) {
        data[i].Reset(NewFileListData(MakePaths(sizes[i], real)));
        if (!data[i]) return 1;
    }
    IDropTarget* target = &*window;
    SizedTimes sized[2];
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, Series& series) {
            IDataObject* list = data[size].Get();
            if (side == 1)
                return TimeUploads("bare", sizes[size], agent.uploads, [&] { BareDrop(bare, list); }, series);
            return TimeUploads("parcelo", sizes[size], agent.uploads,
                               [&] {
                                   DWORD effect = DROPEFFECT_COPY;
                                   target->Drop(list, 0, POINTL{0, 0}, &effect);
                                   RunUntilHandedOver(*window);
                               },
                               series);
        },
        sized);
    if (!ok) return 1;
    const char* kind = real ? "real" : "missing";
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("%sdrop of %zu %s files, ms per drop\n", agent.null ? "in-process agent: " : "", sizes[i],
                    real ? "real 1-byte" : "missing");
        std::snprintf(name, sizeof name, "%sdrop-%s-%zu-ms", agent.prefix, kind, sizes[i]);
        PrintSized(name, sized[i], sizes[i]);
    }
    std::snprintf(name, sizeof name, "%sdrop-%s-growth", agent.prefix, kind);
    PrintGrowth(name, sized);
    return 0;
}

int RunReplay(const AgentChoice& agent, const size_t sizes[2], int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!Connect(agent, window, bare)) return 1;
    const std::vector<std::string> narrow[2] = {Narrow(MakePaths(sizes[0], false)), Narrow(MakePaths(sizes[1], false))};
    const std::vector<UploadItem> items[2] = {Dropped(MakePaths(sizes[0], false)), Dropped(MakePaths(sizes[1], false))};
    AgentClient* client = window->agentClient.Current();
    SizedTimes sized[2];
    std::vector<double> answers;
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, Series& series) {
            if (side == 1)
                return TimeUploads("bare", sizes[size], agent.uploads, [&] { BareReplay(bare, narrow[size]); }, series);
            window->deferredLogin.pendingFiles = items[size];  // as dropped while signed out
            // The report only queues the held items; the window hands them over by slices.
            std::unique_ptr<AnswerProbe> probe;
            if (size == 1 && !agent.null) probe = std::make_unique<AnswerProbe>(window->windowHandle);
            const bool handed = TimeUploads("parcelo", sizes[size], agent.uploads,
                                            [&] {
                                                client->OnStatus(19);
                                                RunUntilHandedOver(*window);
                                            },
                                            series);
            if (probe) {
                const std::vector<double>& times = probe->Stop();
                answers.insert(answers.end(), times.begin(), times.end());
            }
            return handed && window->deferredLogin.pendingFiles.empty();
        },
        sized);
    if (!ok) return 1;
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("%sreplay of %zu pending items after status 19, ms\n", agent.null ? "in-process agent: " : "",
                    sizes[i]);
        std::snprintf(name, sizeof name, "%sreplay-%zu-ms", agent.prefix, sizes[i]);
        PrintSized(name, sized[i], sizes[i]);
    }
    std::snprintf(name, sizeof name, "%sreplay-growth", agent.prefix);
    PrintGrowth(name, sized);
    if (!answers.empty()) {
        std::printf("the window's answer to WM_NULL during the replay of %zu items: %zu messages, p50 %.2f ms, "
                    "p99 %.2f ms, max %.2f ms\n",
                    sizes[1], answers.size(), Percentile(answers, 0.5), Percentile(answers, 0.99),
                    Percentile(answers, 1.0));
        PrintResult("replay-answer-p99-ms", Percentile(answers, 0.99), 0, 0);
    }
    return 0;
}

// The least drop target that releases its source with the data in hand: a window whose Drop
// fetches the file list and copies it, nothing more.
class BareDropWindow final : public bare::UncountedDropTarget {
public:
    BareDropWindow() {
        WNDCLASSA type = {};
        type.lpfnWndProc = &DefWindowProcA;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "ParceloBenchBareDrop";
        RegisterClassA(&type);
        window_ = CreateWindowExA(WS_EX_TOPMOST, type.lpszClassName, "", WS_POPUP | WS_VISIBLE, 100, 100,
                                  SKIN_SIZE.width, SKIN_SIZE.height, nullptr, nullptr, type.hInstance, nullptr);
        RegisterDragDrop(window_, this);
    }
    BareDropWindow(const BareDropWindow&) = delete;
    BareDropWindow& operator=(const BareDropWindow&) = delete;
    ~BareDropWindow() {
        RevokeDragDrop(window_);
        DestroyWindow(window_);
    }
    HWND Handle() const { return window_; }
    size_t Copied() const { return copied_.size(); }

    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC query = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        *effect = data->QueryGetData(&query) == S_OK ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC query = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&query, &medium))) return E_FAIL;
        const auto* bytes = static_cast<const unsigned char*>(GlobalLock(medium.hGlobal));
        copied_.assign(bytes, bytes + GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    HWND window_ = nullptr;
    std::vector<unsigned char> copied_;
};

// Real drags of both sizes onto the shown window, signed in: the time from the window's
// fetch of the file list to the source's DoDragDrop returning, and, while the large drops
// are handed over, how long the window takes to answer a message sent to it.
int RunRelease(const size_t sizes[2], int rounds) {
    ParceloWindow window;
    if (!window.Open()) return 1;
    BareDropWindow bare;
    const std::vector<std::wstring> paths[2] = {MakePaths(sizes[0], false), MakePaths(sizes[1], false)};
    Series released[2], bareReleased[2];
    std::vector<double> answers, dropOnly[2];
    ComPtr<IDataObject> lists[2] = {ComPtr<IDataObject>(NewFileListData(paths[0])),
                                    ComPtr<IDataObject>(NewFileListData(paths[1]))};
    for (int round = 0; round < rounds; ++round) {
        for (int size = 0; size < 2; ++size) {
            // Parcelo's own part of it: Drop called directly, with no transfer of the data.
            DWORD effect = DROPEFFECT_COPY;
            Stopwatch direct;
            window->Drop(lists[size].Get(), 0, POINTL{0, 0}, &effect);
            dropOnly[size].push_back(direct.Ms());
            RunUntilHandedOver(*window);

            const DragOutcome floor = RunDrag(CentreOf(bare.Handle()), {Files(paths[size])}, DROPEFFECT_COPY);
            if (floor.result != DRAGDROP_S_DROP || floor.fetchToReturnMs < 0 || bare.Copied() == 0) {
                std::fprintf(stderr, "bare drag of %zu: result 0x%08lx\n", sizes[size],
                             static_cast<unsigned long>(floor.result));
                return 1;
            }
            bareReleased[size].wall.push_back(floor.fetchToReturnMs);

            const LONG before = StandinUploads();
            std::unique_ptr<AnswerProbe> probe;
            if (size == 1) probe = std::make_unique<AnswerProbe>(window->windowHandle);
            const DragOutcome drag = RunDrag(CentreOf(window->windowHandle), {Files(paths[size])}, DROPEFFECT_COPY);
            RunUntilHandedOver(*window);
            if (probe) {
                const std::vector<double>& times = probe->Stop();
                answers.insert(answers.end(), times.begin(), times.end());
            }
            const LONG arrived = StandinUploads() - before;
            if (drag.result != DRAGDROP_S_DROP || drag.fetchToReturnMs < 0 || arrived != static_cast<LONG>(sizes[size])) {
                std::fprintf(stderr, "drag of %zu: result 0x%08lx, %ld uploads arrived\n", sizes[size],
                             static_cast<unsigned long>(drag.result), arrived);
                return 1;
            }
            released[size].wall.push_back(drag.fetchToReturnMs);
        }
    }
    char name[64];
    for (int size = 0; size < 2; ++size) {
        std::printf("source released after the fetch, drop of %zu files, ms (bare: a target that only copies the list)\n",
                    sizes[size]);
        PrintSamples("Drop called directly", dropOnly[size]);
        std::snprintf(name, sizeof name, "release-%zu-ms", sizes[size]);
        PrintTimes(name, released[size].wall, bareReleased[size].wall);
    }
    const double growth = Median(released[1].wall) / Median(released[0].wall);
    const double bareGrowth = Median(bareReleased[1].wall) / Median(bareReleased[0].wall);
    std::printf("  growth large/small: parcelo %.2f, bare %.2f\n", growth, bareGrowth);
    PrintResult("release-growth", growth, bareGrowth, growth / bareGrowth);
    std::printf("the window's answer to WM_NULL during the hand-over of %zu files: %zu messages, p50 %.2f ms, "
                "p99 %.2f ms, max %.2f ms\n",
                sizes[1], answers.size(), Percentile(answers, 0.5), Percentile(answers, 0.99),
                Percentile(answers, 1.0));
    PrintResult("answer-p99-ms", Percentile(answers, 0.99), 0, 0);
    return 0;
}

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

// Diagnostics: one item's way to the real agent in three forms, by turns in batches: the bare
// floor, Parcelo's client making the same two calls (no size check), and FileReceiver::AddFile
// (what a drop and the replay do for each item). Elapsed and this thread's processor time.
int RunPaths(int items, int batches) {
    ParceloWindow window;
    BareAgent bare;
    if (!window.Open() || !bare.Create()) return 1;
    const std::vector<std::wstring> wide = MakePaths(static_cast<size_t>(items), false);
    const std::vector<UploadItem> dropped = Dropped(wide);
    AgentClient* client = window->agentClient.Current();
    const char* labels[3] = {"bare: IsSignedIn + Upload", "parcelo client: same two calls", "parcelo AddFile"};
    Series series[3];
    for (int batch = 0; batch < batches; ++batch) {
        for (int form = 0; form < 3; ++form) {
            const bool ok = TimeUploads(labels[form], static_cast<size_t>(items), &StandinUploads, [&] {
                for (int i = 0; i < items; ++i) {
                    if (form == 0) {
                        bare.UploadOne(wide[i].c_str(), static_cast<UINT>(wide[i].size()));
                    } else if (form == 1) {
                        int signedIn = 0;
                        if (SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn == 1)
                            client->AgentClient::Upload(dropped[i], 1);
                    } else {
                        window->receiver.AddFile(dropped[i]);
                    }
                }
            }, series[form]);
            if (!ok) return 1;
        }
    }
    std::printf("one item to the agent, %d batches of %d, per item (median of batches)\n", batches, items);
    for (int form = 0; form < 3; ++form)
        std::printf("  %-34s %8.1f us elapsed, %8.1f us this thread's processor time\n", labels[form],
                    Median(series[form].wall) * 1000.0 / items, Median(series[form].cpu) * 1000.0 / items);
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
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SCRIPT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
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
    // own: the same with the in-process agent, all three kinds in one go.
    const bool own = what == "own" && argc == 5;
    if (own || (what == "drop" && argc == 6) || (what == "replay" && argc == 5)) {
        const int first = what == "drop" ? 3 : 2;
        const size_t sizes[2] = {std::strtoul(argv[first], nullptr, 10), std::strtoul(argv[first + 1], nullptr, 10)};
        const int rounds = std::atoi(argv[first + 2]);
        if (own)
            return RunDrop(NULL_AGENT, sizes, false, rounds) || RunDrop(NULL_AGENT, sizes, true, rounds) ||
                   RunReplay(NULL_AGENT, sizes, rounds);
        if (what == "replay") return RunReplay(STANDIN, sizes, rounds);
        if (std::strcmp(argv[2], "missing") == 0) return RunDrop(STANDIN, sizes, false, rounds);
        if (std::strcmp(argv[2], "real") == 0) return RunDrop(STANDIN, sizes, true, rounds);
    }
    if (what == "paint" && argc == 4) return RunPaint(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "calls" && argc == 3) return RunCalls(std::atoi(argv[2]));
    if (what == "paths" && argc == 4) return RunPaths(std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "release" && argc == 5) {
        const size_t sizes[2] = {std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10)};
        return RunRelease(sizes, std::atoi(argv[4]));
    }
    std::fprintf(stderr,
                 "usage: inproc_bench drop <missing|real> <small> <large> <rounds> | replay <small> <large> <rounds> |"
                 " own <small> <large> <rounds> | paint <repaints> <runs> | calls <count> | paths <items> <batches> |"
                 " release <small> <large> <rounds>\n");
    return 2;
}

#include "tests/fakes/MainWindowFixture.h"

#include "app/CommandLine.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "tests/support/Items.h"
#include "tests/support/MessagePump.h"

WindowTestState g_state;

namespace {

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return g_state.Record(owner, text, caption, type);
}

time_t FixedClock(time_t* out) {
    if (out) *out = g_state.now;
    return g_state.now;
}

ConnectFailure FactoryOfState(IDispatch** out) {
    *out = nullptr;
    if (!g_state.agent) return ConnectFailure::NotCreated;
    g_state.agent->AddRef();
    *out = g_state.agent;
    return ConnectFailure::None;
}

INT_PTR RecordSignIn(HWND) {
    ++g_state.signInRuns;
    return g_state.signInAnswer;
}

HACCEL Accelerators() {
    static HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    return accelerators;
}

}  // namespace

void MainWindowTest::SetUp() {
    hive_ = std::make_unique<PrivateHive>();
    ole_ = std::make_unique<OleScope>();
    GetAppModule().Init(GetModuleHandleA(nullptr));
    g_state = WindowTestState();
    g_state.agent = &fakeAgent;
    MainWindow::seams = {&RecordBox, &FixedClock, &FactoryOfState, &RecordSignIn};
}

void MainWindowTest::TearDown() {
    Close();
    MainWindow::seams = MainWindowSeams();
    ole_.reset();
    hive_.reset();
}

MainWindow& MainWindowTest::Open(const wchar_t* commandLine, bool start) {
    // The switches as the program applies them.
    const StartSwitch startSwitch = FindStartSwitch(commandLine);
    window = new MainWindow({startSwitch == StartSwitch::RegisterUser, startSwitch == StartSwitch::ShowParcelo});
    window->AddRef();  // the test's own hold, so the object outlives its window for checks
    if (startSwitch == StartSwitch::ClearSettings) {
        DeleteStoredSettings();
        return *window;
    }
    handle = window->CreateDropWindow();
    EXPECT_NE(handle, nullptr);
    if (start) RunLoop();
    return *window;
}

void MainWindowTest::Close() {
    if (!window) return;
    if (window->windowHandle) DestroyWindow(window->windowHandle);
    RunLoop();
    // The test's hold, then the one WM_CREATE kept (the start-up code gives that back).
    if (References() > 1) window->Release();
    window->Release();
    window = nullptr;
    handle = nullptr;
}

bool MainWindowTest::RunLoop() { return DispatchQueued(window ? window->windowHandle : nullptr, Accelerators()); }

bool MainWindowTest::RunLoopUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    RunLoop();
    return PumpUntil(done, timeoutMs, window ? window->windowHandle : nullptr, Accelerators());
}

ULONG MainWindowTest::References() {
    const ULONG count = window->AddRef();
    window->Release();
    return count - 1;
}

DWORD MainWindowTest::EffectNow() {
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    window->DragOver(0, POINTL{0, 0}, &effect);
    return effect;
}

std::vector<std::string> MainWindowTest::Handed() {
    EXPECT_TRUE(PumpUntil([&] { return window->Session().HandOverDone(); }));
    return Texts(window->Session().Held().pendingFiles);
}

// The real program read from this process as a screen reader reads it: its accessible object
// through AccessibleObjectFromWindow, its change events through an out-of-context event hook,
// its automation element through the automation library; the stand-in agent scripted.
#include <oleacc.h>

#include <cstdio>

#include "tests/e2e/LockerFixture.h"
#include "tests/support/Owned.h"
#include "ui/AnnounceGate.h"
#include "ui/StatusProvider.h"

using namespace agentproto;

namespace {

// What the hook heard, with what a reader reading the object at that moment was told.
struct Heard {
    DWORD event;
    LONG child;
    DWORD time;
    std::string value;
};
std::vector<Heard> g_heard;
HWND g_window = nullptr;
IAccessible* g_reader = nullptr;

std::string Read(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), LONG child = CHILDID_SELF) {
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = child;
    BSTR text = nullptr;
    const HRESULT hr = (g_reader->*get)(id, &text);
    if (FAILED(hr)) return "failed " + std::to_string(hr);
    const std::string read = text ? Utf8(std::wstring(text, SysStringLen(text))) : "";
    SysFreeString(text);
    return read;
}

LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), LONG child = CHILDID_SELF) {
    VARIANT id, out;
    id.vt = VT_I4;
    id.lVal = child;
    VariantInit(&out);
    return SUCCEEDED((g_reader->*get)(id, &out)) && out.vt == VT_I4 ? out.lVal : -1;
}

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD time) {
    if (window != g_window || object != OBJID_CLIENT) return;
    g_heard.push_back({event, child, time, event == EVENT_OBJECT_VALUECHANGE ? Read(&IAccessible::get_accValue) : ""});
}

size_t Count(DWORD event, LONG child) {
    size_t count = 0;
    for (const Heard& heard : g_heard) count += heard.event == event && heard.child == child;
    return count;
}

}  // namespace

class ScreenReaderTest : public DropToLockerTest {
protected:
    void SetUp() override {
        DropToLockerTest::SetUp();
        g_heard.clear();
        // The agent's item and queue as the window asks for them.
        script.Set("17.vt", VT_BSTR);
        script.SetText("17.value", "C:\\Music\\the-long-river.mp3");
        script.Set("18.vt", VT_I2);
        script.Set("18.value", 3);
    }
    void TearDown() override {
        if (g_reader) g_reader->Release();
        g_reader = nullptr;
        hook_.Reset();
        // A server whose client was ended by force would keep ctest's output open for ever.
        AgentScript::KillServer();
        DropToLockerTest::TearDown();
    }
    // The program shown and idle, read and listened to.
    void StartReading(ParceloProcess& program, HWND& window) {
        window = Started(program);
        ASSERT_NE(window, nullptr);
        g_window = window;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        hook_.Reset(SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Hear, pid, 0,
                                    WINEVENT_OUTOFCONTEXT));
        ASSERT_TRUE(hook_);
        const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&g_reader));
        ASSERT_EQ(hr, S_OK);
    }

    OleScope ole_;
    OwnedHandle<HWINEVENTHOOK, FreeWith<&UnhookWinEvent>> hook_;
};

TEST_F(ScreenReaderTest, ReadsTheStatusAsDrawnAndHearsEachChange) {
    ParceloProcess program(" /showparcelo");
    HWND window = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartReading(program, window));
    ASSERT_TRUE(PumpUntil([] { return Read(&IAccessible::get_accValue) == "Drag files here"; }))
        << Read(&IAccessible::get_accValue);
    EXPECT_EQ(Read(&IAccessible::get_accName), "Parcelo");
    EXPECT_EQ(Number(&IAccessible::get_accRole), ROLE_SYSTEM_STATUSBAR);
    EXPECT_EQ(Read(&IAccessible::get_accName, STATUS_LINE1_CHILD), "Drag files here");
    EXPECT_EQ(Read(&IAccessible::get_accName, STATUS_LINE2_CHILD), "");
    EXPECT_EQ(Number(&IAccessible::get_accRole, STATUS_LINE1_CHILD), ROLE_SYSTEM_STATICTEXT);
    long count = 0;
    EXPECT_EQ(g_reader->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    RECT rect = {};
    GetWindowRect(window, &rect);
    long left = 0, top = 0, width = 0, height = 0;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    ASSERT_EQ(g_reader->accLocation(&left, &top, &width, &height, self), S_OK);
    EXPECT_EQ((std::vector<long>{left, top, width, height}),
              (std::vector<long>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}));
    EXPECT_EQ(Number(&IAccessible::get_accState) & STATE_SYSTEM_INVISIBLE, 0);

    g_heard.clear();
    ASSERT_TRUE(AgentScript::Fire(EventStatus, 13));
    ASSERT_TRUE(AgentScript::Fire(EventProgress, 40));
    const std::string uploading = "Uploading ...-river.mp3", progress = "40% done (3 to go)";
    ASSERT_TRUE(PumpUntil([&] { return Read(&IAccessible::get_accValue) == uploading + "\r\n" + progress; }))
        << Read(&IAccessible::get_accValue);
    EXPECT_EQ(Read(&IAccessible::get_accName, STATUS_LINE1_CHILD), uploading);
    EXPECT_EQ(Read(&IAccessible::get_accName, STATUS_LINE2_CHILD), progress);
    // Each line's change is heard for that line, and the status bar's value with them; what
    // a reader reads when it hears the last is what the window shows.
    ASSERT_TRUE(PumpUntil([] {
        return Count(EVENT_OBJECT_NAMECHANGE, STATUS_LINE1_CHILD) >= 1 &&
               Count(EVENT_OBJECT_NAMECHANGE, STATUS_LINE2_CHILD) >= 1 && !g_heard.empty() &&
               g_heard.back().event == EVENT_OBJECT_VALUECHANGE && g_heard.back().value == "Uploading ...-river.mp3\r\n40% done (3 to go)";
    })) << g_heard.size() << " events";

    // The automation element, where the library answers for another process.
    HMODULE uia = LoadLibraryW(L"uiautomationcore.dll");
    using NodeFromHandle = HRESULT(WINAPI*)(HWND, void**);
    using PropertyValue = HRESULT(WINAPI*)(void*, PROPERTYID, VARIANT*);
    using NodeRelease = BOOL(WINAPI*)(void*);
    const auto fromHandle = reinterpret_cast<NodeFromHandle>(reinterpret_cast<void*>(GetProcAddress(uia, "UiaNodeFromHandle")));
    const auto property = reinterpret_cast<PropertyValue>(reinterpret_cast<void*>(GetProcAddress(uia, "UiaGetPropertyValue")));
    const auto release = reinterpret_cast<NodeRelease>(reinterpret_cast<void*>(GetProcAddress(uia, "UiaNodeRelease")));
    void* node = nullptr;
    if (fromHandle && property && release && SUCCEEDED(fromHandle(window, &node)) && node) {
        VARIANT value;
        VariantInit(&value);
        EXPECT_EQ(property(node, UIA_NAME_PROPERTY, &value), S_OK);
        EXPECT_EQ(value.vt, VT_BSTR);
        if (value.vt == VT_BSTR) {
            EXPECT_EQ(Utf8(value.bstrVal), uploading + "\r\n" + progress);
        }
        VariantClear(&value);
        EXPECT_EQ(property(node, UIA_CONTROL_TYPE_PROPERTY, &value), S_OK);
        EXPECT_EQ(value.vt, VT_I4);
        EXPECT_EQ(value.lVal, UIA_STATUS_BAR_CONTROL_TYPE);
        VariantClear(&value);
        EXPECT_EQ(property(node, UIA_LIVE_SETTING_PROPERTY, &value), S_OK);
        EXPECT_EQ(value.vt, VT_I4);
        EXPECT_EQ(value.lVal, UIA_LIVE_POLITE);
        VariantClear(&value);
        release(node);
    } else {
        ADD_FAILURE() << "no automation element for the window";
    }

    PostMessageW(window, WM_COMMAND, ID_CMD_DISPLAY_TOGGLE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }));
    EXPECT_NE(Number(&IAccessible::get_accState) & STATE_SYSTEM_INVISIBLE, 0);

    // A reader still holding the object does not hold the program up, and is told it has gone.
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(Read(&IAccessible::get_accName).rfind("failed", 0), 0u) << Read(&IAccessible::get_accName);
}

// 2,000 progress reports as fast as the agent can send them: a reader hears at most about two
// a second, and the last it hears is the last state.
TEST_F(ScreenReaderTest, AStormOfProgressIsHeardAtMostTwiceASecondAndEndsOnTheLastValue) {
    ParceloProcess program(" /showparcelo");
    HWND window = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartReading(program, window));
    ASSERT_TRUE(AgentScript::Fire(EventStatus, 13));
    ASSERT_TRUE(PumpUntil([] { return Read(&IAccessible::get_accValue) == "Uploading ...-river.mp3"; }));
    ASSERT_TRUE(PumpUntil([] { return !g_heard.empty(); }));
    PumpUntil([] { return false; }, 600);  // the spacing after that announcement has passed
    g_heard.clear();

    constexpr int REPORTS = 2000;
    const std::string last = "Uploading ...-river.mp3\r\n99% done (3 to go)";
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < REPORTS - 1; ++i) ASSERT_TRUE(AgentScript::Fire(EventProgress, i % 97));
    ASSERT_TRUE(AgentScript::Fire(EventProgress, 99));
    ASSERT_TRUE(PumpUntil([&] { return Read(&IAccessible::get_accValue) == last; }, 120000));
    const ULONGLONG shown = GetTickCount64();
    // The last change may be held for half a second before it is told.
    ASSERT_TRUE(PumpUntil([&] { return !g_heard.empty() && g_heard.back().value == last; }, 2000))
        << "the last state was never announced; last heard: " << (g_heard.empty() ? "nothing" : g_heard.back().value);
    PumpUntil([] { return false; }, 1000);  // nothing more comes

    const size_t values = Count(EVENT_OBJECT_VALUECHANGE, CHILDID_SELF);
    const size_t progress = Count(EVENT_OBJECT_NAMECHANGE, STATUS_LINE2_CHILD);
    const double seconds = static_cast<double>(shown - start) / 1000.0 + 0.5;
    RecordProperty("storm_ms", static_cast<int>(shown - start));
    RecordProperty("value_events", static_cast<int>(values));
    RecordProperty("line2_events", static_cast<int>(progress));
    std::printf("storm of %d reports: %llu ms, %zu value and %zu line-2 events\n", REPORTS,
                static_cast<unsigned long long>(shown - start), values, progress);
    EXPECT_LE(static_cast<double>(values), 2 * seconds + 1);
    EXPECT_EQ(progress, values);
    EXPECT_EQ(Count(EVENT_OBJECT_NAMECHANGE, STATUS_LINE1_CHILD), 0u);
    EXPECT_EQ(g_heard.back().value, last);
    // No two announcements closer than the spacing (less a tick of the clock).
    DWORD previous = 0;
    for (const Heard& heard : g_heard) {
        if (heard.event != EVENT_OBJECT_VALUECHANGE) continue;
        if (previous) {
            EXPECT_GE(heard.time - previous, ANNOUNCE_SPACING_MS - 20);
        }
        previous = heard.time;
    }
    EXPECT_EQ(program.Exit(), 0u);
}

// The control window other processes post to, and the server's lifetime.
#include <thread>

#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"
#include "standin/ControlWindow.h"
#include "tests/support/AgentScript.h"
#include "tests/support/MessagePump.h"
#include "tests/support/Owned.h"

using namespace agentproto;

namespace {

constexpr UINT FIRE = standin::ControlWindow::MSG_FIRE;
constexpr UINT DIE = standin::ControlWindow::MSG_DIE;
constexpr UINT RAW_EVENT = standin::ControlWindow::MSG_RAW_EVENT;
constexpr UINT CALL_COUNT = standin::ControlWindow::MSG_CALL_COUNT;

bool IsDisconnection(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) ||
           hr == RPC_E_DISCONNECTED;
}

class ControlTest : public StandinTest {
protected:
    static UniqueHandle OpenServer() {
        const DWORD pid = AgentScript::AgentPid();
        return UniqueHandle(pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr);
    }
    static LONG Status(IDispatch* agent) { return Number(agent, DispGetStatus, VT_I2); }
    static LONG Calls(DISPID id) {
        DWORD_PTR count = 0;
        EXPECT_TRUE(SendMessageTimeoutA(AgentScript::ControlWindow(), CALL_COUNT, static_cast<WPARAM>(id), 0,
                                        SMTO_BLOCK, 5000, &count));
        return static_cast<LONG>(count);
    }
};

}  // namespace

TEST_F(ControlTest, PostedNotificationsReachEverySinkOfEveryClient) {
    ComPtr<IDispatch> first = Create();
    ComPtr<IDispatch> second = Create();
    ASSERT_TRUE(first && second);
    EventSink typed;              // admits the event interface
    EventSink plain(false);       // only IDispatch
    Advise(first.Get(), &typed);
    const DWORD plainCookie = Advise(second.Get(), &plain);
    const HWND control = AgentScript::ControlWindow();
    ASSERT_TRUE(control);

    PostMessageA(control, FIRE, EventStatus, 113);
    PostMessageA(control, FIRE, EventProgress, 55);
    PostMessageA(control, RAW_EVENT, EventStatus, 3);
    ASSERT_TRUE(PumpUntil([&] { return typed.events().size() == 3 && plain.events().size() == 3; }));
    EXPECT_EQ("S113 P55 E2(3:1,3:2,3:3)", typed.Joined());
    EXPECT_EQ(typed.Joined(), plain.Joined());
    EXPECT_EQ(113, Status(second.Get()));

    Unadvise(second.Get(), plainCookie);
    PostMessageA(control, FIRE, EventStatus, -7);
    ASSERT_TRUE(typed.WaitForStatus(-7));
    EXPECT_EQ(3u, plain.events().size());
}

TEST_F(ControlTest, ServerEndsWithItsLastClientAndStartsAfreshAfterwards) {
    SetScript("Status", 16);  // the initial status of a newly started server
    ComPtr<IDispatch> first = Create();
    ComPtr<IDispatch> second = Create();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(16, Status(first.Get()));
    UniqueHandle server = OpenServer();
    ASSERT_TRUE(server.Valid());

    first.Reset();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(server.Get(), 200));  // one client left
    EXPECT_EQ(16, Status(second.Get()));
    second.Reset();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.Get(), 15000));
    DWORD code = 99;
    GetExitCodeProcess(server.Get(), &code);
    EXPECT_EQ(0u, code);

    SetScript("Status", 17);
    HRESULT hr = E_FAIL;
    ComPtr<IDispatch> again = Create(&hr);
    ASSERT_HRESULT_SUCCEEDED(hr);
    EXPECT_EQ(17, Status(again.Get()));
}

TEST_F(ControlTest, DieDisconnectsClientsEvenInsideADelayedCall) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    UniqueHandle server = OpenServer();
    ASSERT_TRUE(server.Valid());
    const HWND control = AgentScript::ControlWindow();

    // The call blocks the agent for a minute unless the die request cuts it short.
    SetScript("13.delay", 60000);
    std::thread killer([control] {
        Sleep(300);
        PostMessageA(control, DIE, 0, 0);
    });
    const HRESULT inFlight = Call(agent.Get(), DispGetVersion, {});
    killer.join();
    EXPECT_TRUE(IsDisconnection(inFlight)) << std::hex << inFlight;
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.Get(), 15000));
    EXPECT_TRUE(IsDisconnection(Call(agent.Get(), DispGetStatus, {})));
    agent.Reset();

    SetScript("13.delay", 0);
    HRESULT hr = E_FAIL;
    ComPtr<IDispatch> fresh = Create(&hr);
    ASSERT_HRESULT_SUCCEEDED(hr);
    Result version;
    ASSERT_HRESULT_SUCCEEDED(Call(fresh.Get(), DispGetVersion, {}, &version.v));
    EXPECT_EQ(L"1.6.0", version.text());
}

TEST_F(ControlTest, CountsEveryCallByDispatchIdRefusedOnesToo) {
    ComPtr<IDispatch> agent = Create();
    ComPtr<IDispatch> other = Create();
    ASSERT_TRUE(agent && other);
    const LONG status = Calls(DispGetStatus), upload = Calls(DispUpload), unknown = Calls(77);
    const LONG negative = Calls(DISPID_VALUE - 5);

    Status(agent.Get());
    Status(other.Get());
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(agent.Get(), DispUpload, {I4(1), Flag(true)}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(agent.Get(), 77, {}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(agent.Get(), DISPID_VALUE - 5, {}));

    EXPECT_EQ(status + 2, Calls(DispGetStatus));  // every client's calls, one process
    EXPECT_EQ(upload + 1, Calls(DispUpload));
    EXPECT_EQ(unknown + 1, Calls(77));
    EXPECT_EQ(negative + 1, Calls(DISPID_VALUE - 5));
    EXPECT_EQ(0, Calls(78));  // never called
}

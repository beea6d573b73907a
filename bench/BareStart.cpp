// The least a program does to show Parcelo's drop window with the agent connected and
// configured: the yardstick for parcelo.exe's start-up time and memory. It does the same
// agent calls in the same order and creates a window of the same class styles, size and
// window styles, and nothing else.
#include <windows.h>
#include <ocidl.h>

#include "agent/AgentProtocol.h"
#include "bench/BareParts.h"
#include "win/ComPtr.h"

namespace {

using namespace agentproto;

const char CLASS_NAME[] = "ParceloBareStart";

// The agent and the sink's registration, undone in reverse order.
class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (cookie_) point_->Unadvise(cookie_);
    }

    bool Open() {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(PROG_ID_W, &clsid))) return false;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, agent_.PutVoid()))) return false;
        bare::Call(agent_.Get(), DispGetVersion, nullptr, 0);
        ComPtr<IConnectionPointContainer> container;
        if (SUCCEEDED(agent_->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
            SUCCEEDED(container->FindConnectionPoint(EVENT_IID, point_.Put())) &&
            FAILED(point_->Advise(&sink_, &cookie_)))
            cookie_ = 0;
        bare::Call(agent_.Get(), DispGetStatus, nullptr, 0);
        VARIANT five;
        VariantInit(&five);
        five.vt = VT_I2;
        five.iVal = 5;
        return SUCCEEDED(bare::Call(agent_.Get(), DispConfigure, &five, 1));
    }

private:
    bare::IgnoringSink sink_;
    ComPtr<IDispatch> agent_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

int Run(HINSTANCE instance) {
    const HWND window = bare::CreateDropSizedWindow(instance, &bare::QuitOnDestroy, CLASS_NAME);
    if (!window) return 1;

    Connection agent;
    if (!agent.Open()) {
        DestroyWindow(window);
        return 2;
    }
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ComScope com;
    if (!com.Ok()) return 1;
    return Run(instance);
}

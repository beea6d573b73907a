// The least a program does to show Parcelo's drop window with the agent connected and
// configured: the yardstick for parcelo.exe's start-up time and memory. It does the same
// agent calls in the same order and creates a window of the same class styles, size and
// window styles, and nothing else.
#include <windows.h>
#include <ocidl.h>

#include "agent/AgentProtocol.h"
#include "agent/ComPtr.h"

namespace {

using namespace agentproto;

const char kClassName[] = "ParceloBareStart";

// The agent insists on a sink that takes its event interface; the notifications are dropped.
class Sink final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kEventIid)) {
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
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return S_OK;
    }
};

HRESULT Call(IDispatch* agent, DISPID id, VARIANT* args, UINT count) {
    DISPPARAMS params = {args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr =
        agent->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

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
        if (FAILED(CLSIDFromProgID(kProgIdW, &clsid))) return false;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, agent_.PutVoid()))) return false;
        Call(agent_.Get(), DispGetVersion, nullptr, 0);
        ComPtr<IConnectionPointContainer> container;
        if (SUCCEEDED(agent_->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
            SUCCEEDED(container->FindConnectionPoint(kEventIid, point_.Put())) &&
            FAILED(point_->Advise(&sink_, &cookie_)))
            cookie_ = 0;
        Call(agent_.Get(), DispGetStatus, nullptr, 0);
        VARIANT five;
        VariantInit(&five);
        five.vt = VT_I2;
        five.iVal = 5;
        return SUCCEEDED(Call(agent_.Get(), DispConfigure, &five, 1));
    }

private:
    Sink sink_;
    ComPtr<IDispatch> agent_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class ComSession {
public:
    ComSession() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    ~ComSession() {
        if (ok_) CoUninitialize();
    }
    bool ok() const { return ok_; }

private:
    bool ok_;
};

int Run(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    const ATOM atom = RegisterClassExA(&windowClass);
    if (!atom) return 1;

    const int frameX = GetSystemMetrics(SM_CXDLGFRAME), frameY = GetSystemMetrics(SM_CYDLGFRAME);
    const int right = GetSystemMetrics(SM_CXFULLSCREEN), bottom = GetSystemMetrics(SM_CYFULLSCREEN);
    const int left = right - 2 * frameX - 110, top = bottom - 2 * frameY - 90;
    const HWND window = CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(atom), nullptr, WS_POPUP | WS_SYSMENU, left, top,
                                        right - left, bottom - top, nullptr, nullptr, instance, nullptr);
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
    ComSession com;
    if (!com.ok()) return 1;
    return Run(instance);
}

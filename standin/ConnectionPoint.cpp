#include "ConnectionPoint.h"

#include <olectl.h>
#include <algorithm>
#include <new>

#include "EventHub.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {
// The client process is gone: keep no sink that can only fail.
bool IsDisconnected(HRESULT hr) {
    return hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
           hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || hr == CO_E_OBJNOTCONNECTED;
}
}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* owner) : owner_(owner) { EventHub::Add(this); }

ConnectionPoint::~ConnectionPoint() { EventHub::Remove(this); }

void ConnectionPoint::Fire(DISPID eventId, DISPPARAMS& params) {
    struct Target {
        DWORD cookie;
        ComPtr<IDispatch> sink;
    };
    std::vector<Target> targets;
    try {
        for (const Sink& s : sinks_) targets.push_back({s.cookie, ComPtr<IDispatch>::Share(s.target.Get())});
    } catch (const std::bad_alloc&) {
        return;
    }
    for (Target& t : targets) {
        HRESULT hr = t.sink->Invoke(eventId, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        if (IsDisconnected(hr)) Unadvise(t.cookie);
    }
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ConnectionPoint::AddRef() { return owner_->AddRef(); }

STDMETHODIMP_(ULONG) ConnectionPoint::Release() { return owner_->Release(); }

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = agentproto::EVENT_IID;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    owner_->AddRef();
    *out = owner_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // The event IID first, as the real agent does; a sink that only admits IDispatch is
    // still called through it.
    ComPtr<IDispatch> target;
    if (FAILED(sink->QueryInterface(agentproto::EVENT_IID, target.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, target.PutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.push_back({nextCookie_, std::move(target)});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // Erase first: releasing a remote sink can re-enter this object.
    ComPtr<IDispatch> released = std::move(it->target);
    sinks_.erase(it);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace standin

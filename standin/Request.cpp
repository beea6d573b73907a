#include "Request.h"

#include <olectl.h>
#include <new>

#include "ControlWindow.h"
#include "Dispatcher.h"
#include "ScriptedCall.h"
#include "ServerModule.h"
#include "agent/AgentProtocol.h"

namespace standin {

HRESULT Request::Create(REFIID riid, void** out) {
    Request* request = nullptr;
    try {
        request = new Request();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = request->QueryInterface(riid, out);
    request->Release();
    return hr;
}

Request::Request() : events_(this) { ServerModule::Lock(); }

Request::~Request() { ServerModule::Unlock(); }

STDMETHODIMP Request::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IConnectionPointContainer) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Request::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) Request::Release() {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

STDMETHODIMP Request::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP Request::GetTypeInfo(UINT /*index*/, LCID /*lcid*/, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP Request::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID /*lcid*/, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = Dispatcher::IdOfName(names[0], &ids[0]);
    // The methods take no named arguments.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP Request::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* /*exception*/, UINT* argError) {
    ControlWindow::CountCall(id);
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
    // A sink or a re-entering call may release this object while the call runs.
    AddRef();
    HRESULT hr = E_UNEXPECTED;
    try {
        hr = Answer(id, lcid, flags, *params, result, argError);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    Release();
    return hr;
}

HRESULT Request::Answer(DISPID id, LCID lcid, WORD flags, const DISPPARAMS& params, VARIANT* result,
                        UINT* argError) {
    if (ServerModule::Scripted()) {
        ScriptedCall script(id);
        script.Log(flags, lcid, params);
        script.Delay();
        script.FireEvents();
        script.EndAfter(static_cast<IDispatch*>(this));
        const HRESULT hr =
            script.Overrides() ? script.Answer(result) : Dispatcher::Invoke(id, flags, params, result, argError);
        script.LogAnswer(flags, lcid, params, hr);
        return hr;
    }
    return Dispatcher::Invoke(id, flags, params, result, argError);
}

STDMETHODIMP Request::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP Request::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != agentproto::EVENT_IID) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
}

}  // namespace standin

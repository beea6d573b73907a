#include "agent/AgentEventSink.h"

#include <ocidl.h>

#include "agent/AgentClient.h"
#include "agent/AgentProtocol.h"
#include "agent/NotificationCheck.h"
#include "win/ComPtr.h"

HRESULT AgentEventSink::FindConnectionPoint(IDispatch* agent, IConnectionPoint** point) {
    *point = nullptr;
    if (!agent) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = agent->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (FAILED(hr)) return hr;
    if (!container) return E_NOINTERFACE;
    return container->FindConnectionPoint(agentproto::EVENT_IID, point);
}

HRESULT AgentEventSink::Advise(IDispatch* agent) {
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindConnectionPoint(agent, point.Put());
    if (FAILED(hr)) return hr;
    if (!point) return E_NOINTERFACE;
    DWORD cookie = 0;
    hr = point->Advise(this, &cookie);
    if (SUCCEEDED(hr)) cookie_ = cookie;
    return hr;
}

HRESULT AgentEventSink::Unadvise(IDispatch* agent) {
    if (cookie_ == 0) return S_FALSE;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindConnectionPoint(agent, point.Put());
    if (FAILED(hr)) return hr;
    if (!point) return E_NOINTERFACE;
    hr = point->Unadvise(cookie_);
    cookie_ = 0;
    return hr;
}

void AgentEventSink::Disconnect() {
    client_ = nullptr;
    cookie_ = 0;
    CoDisconnectObject(this, 0);
}

STDMETHODIMP AgentEventSink::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, agentproto::EVENT_IID)) {
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// The handlers run message boxes and dialogs; nothing they throw may reach the agent.
HRESULT AgentEventSink::Forward(void (AgentClient::*handler)(int), SHORT value) {
    if (!client_) return CO_E_OBJNOTCONNECTED;
    try {
        client_->Notified(handler, value);
        return S_OK;
    } catch (...) {
        return DISP_E_EXCEPTION;
    }
}

STDMETHODIMP AgentEventSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
STDMETHODIMP AgentEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP AgentEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP AgentEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                    UINT*) {
    const bool hasParams = params != nullptr;
    const unsigned count = hasParams ? params->cArgs : 0;
    // A count without an argument array is as malformed as a wrong count.
    const bool readable = hasParams && count == 1 && params->rgvarg;
    const VARTYPE type = readable ? params->rgvarg[0].vt : static_cast<VARTYPE>(VT_EMPTY);
    switch (CheckNotification(hasParams, id, readable || count != 1 ? count : 0, type)) {
    case NotificationVerdict::NoParameters: return DISP_E_PARAMNOTFOUND;
    case NotificationVerdict::UnknownMember: return DISP_E_MEMBERNOTFOUND;
    case NotificationVerdict::BadCount: return DISP_E_BADPARAMCOUNT;
    case NotificationVerdict::BadType: return DISP_E_TYPEMISMATCH;
    case NotificationVerdict::Progress: return Forward(&AgentClient::OnProgress, params->rgvarg[0].iVal);
    case NotificationVerdict::Status: return Forward(&AgentClient::OnStatus, params->rgvarg[0].iVal);
    }
    return E_UNEXPECTED;
}

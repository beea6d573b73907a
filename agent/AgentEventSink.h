// Receives the agent's two notifications and forwards them to the owning client. Lives
// exactly as long as that client, so it keeps no reference count.
#pragma once

#include <oaidl.h>
#include <ocidl.h>

class AgentClient;

class AgentEventSink final : public IDispatch {
public:
    explicit AgentEventSink(AgentClient* client) : client_(client) {}
    AgentEventSink(const AgentEventSink&) = delete;
    AgentEventSink& operator=(const AgentEventSink&) = delete;

    HRESULT Advise(IDispatch* agent);
    HRESULT Unadvise(IDispatch* agent);
    // From now on nothing reaches the client. Cuts the agent off on this side only: an agent
    // that may have stopped answering is asked nothing.
    void Disconnect();
    DWORD Cookie() const { return cookie_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

private:
    HRESULT FindConnectionPoint(IDispatch* agent, IConnectionPoint** point);
    HRESULT Forward(void (AgentClient::*handler)(int), SHORT value);

    DWORD cookie_ = 0;
    AgentClient* client_;
};

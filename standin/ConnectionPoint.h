// The request's single connection point for the event interface. Lives inside its request
// and shares the request's reference count, so it can never outlive its container.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <vector>

#include "win/ComPtr.h"

namespace standin {

class ConnectionPoint : public IConnectionPoint {
public:
    explicit ConnectionPoint(IConnectionPointContainer* owner);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    void Fire(DISPID eventId, DISPPARAMS& params);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IConnectionPoint
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

private:
    struct Sink {
        DWORD cookie;
        ComPtr<IDispatch> target;
    };

    IConnectionPointContainer* owner_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
};

}  // namespace standin

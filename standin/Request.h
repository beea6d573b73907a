// The request object clients drive: late-bound methods plus one connection point for the
// notifications.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "ConnectionPoint.h"

namespace standin {

class Request final : public IDispatch, public IConnectionPointContainer {
public:
    static HRESULT Create(REFIID riid, void** out);
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

private:
    Request();
    ~Request();
    HRESULT Answer(DISPID id, LCID lcid, WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argError);

    LONG refs_ = 1;
    ConnectionPoint events_;
};

}  // namespace standin

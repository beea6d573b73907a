// An in-process agent whose every answer a test decides, and which records every call.
#pragma once

#include <oaidl.h>
#include <ocidl.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakeAnswer {
    HRESULT hr = S_OK;
    VARTYPE vt = VT_EMPTY;
    LONG number = 0;
    std::wstring text;
    bool nullText = false;
    std::function<void()> during;  // runs inside the call, before it returns
};

struct FakeArg {
    VARTYPE vt;
    std::string text;  // BSTR text ("(null)" for a null BSTR), number, or inner type for byref
};

struct FakeCall {
    DISPID id;
    WORD flags;
    LCID lcid;
    bool nullIid;
    UINT named;
    std::vector<FakeArg> args;  // declared order
};

class FakeAgent : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
public:
    FakeAgent();
    virtual ~FakeAgent();

    void Answer(DISPID id, FakeAnswer answer) { answers[id] = std::move(answer); }
    void AnswerShort(DISPID id, SHORT value);
    void AnswerText(DISPID id, const wchar_t* text);
    void Fail(DISPID id, HRESULT hr);
    HRESULT Fire(DISPID eventId, SHORT value);
    int Count(DISPID id) const;
    const FakeCall* Last(DISPID id) const;
    // What the Upload calls named, in order.
    std::vector<std::string> Uploaded() const;

    std::map<DISPID, FakeAnswer> answers;
    std::vector<FakeCall> calls;
    bool offerConnections = true;
    bool refuseWhileFiring = false;  // calls made inside its own notification are rejected
    bool firing = false;
    std::function<void(DISPID)> onCall;  // sees each call as it arrives
    IDispatch* sink = nullptr;
    LONG refs = 1;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override;
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
    STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};

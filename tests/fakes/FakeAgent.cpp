#include "tests/fakes/FakeAgent.h"

#include "agent/AgentProtocol.h"
#include "tests/support/Files.h"
#include "win/ComText.h"

#include <olectl.h>

using namespace agentproto;

FakeAgent::FakeAgent() {
    AnswerText(DispGetVersion, L"1.6.0");
    AnswerShort(DispGetStatus, 10);
    AnswerShort(DispIsSignedIn, 0);
    Answer(DispSignIn, {S_OK, VT_I4, 1, L"", false, nullptr});
}

// A client whose agent "vanished" never unadvises, and its sink may be gone by now; the
// sink counts no references, so there is nothing to give back.
FakeAgent::~FakeAgent() = default;

void FakeAgent::AnswerShort(DISPID id, SHORT value) { Answer(id, {S_OK, VT_I2, value, L"", false, nullptr}); }

void FakeAgent::AnswerText(DISPID id, const wchar_t* text) {
    Answer(id, {S_OK, VT_BSTR, 0, text ? text : L"", text == nullptr, nullptr});
}

void FakeAgent::Fail(DISPID id, HRESULT hr) { Answer(id, {hr, VT_EMPTY, 0, L"", false, nullptr}); }

int FakeAgent::Count(DISPID id) const {
    int n = 0;
    for (const FakeCall& call : calls) n += call.id == id;
    return n;
}

std::vector<std::string> FakeAgent::Uploaded() const {
    std::vector<std::string> items;
    for (const FakeCall& call : calls)
        if (call.id == DispUpload) items.push_back(call.args.at(0).text);
    return items;
}

const FakeCall* FakeAgent::Last(DISPID id) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->id == id) return &*it;
    return nullptr;
}

HRESULT FakeAgent::Fire(DISPID eventId, SHORT value) {
    if (!sink) return E_UNEXPECTED;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I2;
    arg.iVal = value;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    firing = true;
    const HRESULT hr = sink->Invoke(eventId, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    firing = false;
    return hr;
}

STDMETHODIMP FakeAgent::QueryInterface(REFIID riid, void** out) {
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch))
        *out = static_cast<IDispatch*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer) && offerConnections)
        *out = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FakeAgent::Release() { return --refs; }  // owned by the test

STDMETHODIMP FakeAgent::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

static FakeArg Describe(const VARIANT& v) {
    if (v.vt == VT_BSTR)
        return {v.vt, v.bstrVal ? Utf8(std::wstring(v.bstrVal, SysStringLen(v.bstrVal))) : std::string("(null)")};
    if (v.vt == (VT_BYREF | VT_VARIANT)) return {v.vt, std::to_string(v.pvarVal ? v.pvarVal->vt : -1)};
    if (v.vt == VT_I2 || v.vt == VT_BOOL) return {v.vt, std::to_string(v.iVal)};
    return {v.vt, std::to_string(v.lVal)};
}

STDMETHODIMP FakeAgent::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT*) {
    FakeCall call{id, flags, lcid, IsEqualIID(riid, IID_NULL) != 0, params ? params->cNamedArgs : 0, {}};
    if (params)
        for (UINT i = params->cArgs; i-- > 0;) call.args.push_back(Describe(params->rgvarg[i]));
    calls.push_back(call);
    if (onCall) onCall(id);
    if (firing && refuseWhileFiring) return RPC_E_CALL_REJECTED;

    auto found = answers.find(id);
    if (found == answers.end()) return S_OK;
    const FakeAnswer answer = found->second;  // a copy: `during` may change the script
    if (answer.during) answer.during();
    if (FAILED(answer.hr)) return answer.hr;
    if (result) {
        VariantInit(result);
        result->vt = answer.vt;
        if (answer.vt == VT_BSTR)
            result->bstrVal = answer.nullText ? nullptr : SysAllocString(answer.text.c_str());
        else if (answer.vt == VT_I2 || answer.vt == VT_BOOL)
            result->iVal = static_cast<SHORT>(answer.number);
        else
            result->lVal = answer.number;
    }
    return answer.hr;
}

STDMETHODIMP FakeAgent::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    *point = nullptr;
    if (!IsEqualIID(riid, EVENT_IID)) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeAgent::Advise(IUnknown* unknown, DWORD* cookie) {
    if (sink) return CONNECT_E_ADVISELIMIT;
    HRESULT hr = unknown->QueryInterface(EVENT_IID, reinterpret_cast<void**>(&sink));
    if (FAILED(hr)) return hr;
    *cookie = 42;
    return S_OK;
}

STDMETHODIMP FakeAgent::Unadvise(DWORD cookie) {
    if (cookie != 42 || !sink) return CONNECT_E_NOCONNECTION;
    sink->Release();
    sink = nullptr;
    return S_OK;
}

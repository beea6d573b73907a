#include "Dispatcher.h"

#include <string>

#include "Agent.h"
#include "Notifier.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {

using namespace agentproto;

enum class Arg { Text, Flag, Number, VariantRef };

struct Method {
    DISPID id;
    const wchar_t* name;
    UINT argc;
    Arg args[3];
};

constexpr Method METHODS[] = {
    {DispUpload, L"Upload", 2, {Arg::Text, Arg::Flag}},
    {DispSignIn, L"SignIn", 3, {Arg::Text, Arg::Text, Arg::Text}},
    {DispOpenLocker, L"OpenLocker", 1, {Arg::VariantRef}},
    {DispSignOut, L"SignOut", 1, {Arg::Number}},
    {DispIsSignedIn, L"IsSignedIn", 0, {}},
    {DispGetVersion, L"GetVersion", 0, {}},
    {DispConfigure, L"Configure", 1, {Arg::Number}},
    {DispGetStatus, L"GetStatus", 0, {}},
    {DispGetCurrentFileName, L"GetCurrentFileName", 0, {}},
    {DispGetFilesToGo, L"GetFilesToGo", 0, {}},
    {DispRegisterUser, L"RegisterUser", 1, {Arg::Text}},
    {DispIsUpgradeAvailable, L"IsUpgradeAvailable", 0, {}},
    {DispUpgrade, L"Upgrade", 0, {}},
};

// Members of the real agent that Parcelo never calls: present, accepting anything, inert.
constexpr DISPID INERT[] = {5, 9, 10, 11, 16};

const Method* Find(DISPID id) {
    for (const Method& m : METHODS)
        if (m.id == id) return &m;
    return nullptr;
}

bool IsInert(DISPID id) {
    for (DISPID inert : INERT)
        if (inert == id) return true;
    return false;
}

// rgvarg holds the arguments last first.
const VARIANT& Declared(const DISPPARAMS& params, UINT index) { return params.rgvarg[params.cArgs - 1 - index]; }

bool IsInteger(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool Matches(const VARIANT& v, Arg kind) {
    const bool byRef = (v.vt & VT_BYREF) != 0;
    if (byRef && !v.byref) return false;
    const VARTYPE base = v.vt & ~VT_BYREF;
    switch (kind) {
    case Arg::Text: return base == VT_BSTR;
    case Arg::Flag: return base == VT_BOOL;
    case Arg::Number: return IsInteger(base);
    case Arg::VariantRef: return byRef && base == VT_VARIANT;
    }
    return false;
}

std::wstring Text(const VARIANT& v) {
    BSTR s = (v.vt & VT_BYREF) ? *v.pbstrVal : v.bstrVal;
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}

LONG Number(const VARIANT& v) {
    const bool r = (v.vt & VT_BYREF) != 0;
    switch (v.vt & ~VT_BYREF) {
    case VT_I1: return r ? *v.pcVal : v.cVal;
    case VT_I2: return r ? *v.piVal : v.iVal;
    case VT_I4: return r ? *v.plVal : v.lVal;
    case VT_INT: return r ? *v.pintVal : v.intVal;
    case VT_UI1: return r ? *v.pbVal : v.bVal;
    case VT_UI2: return r ? *v.puiVal : v.uiVal;
    case VT_UI4: return static_cast<LONG>(r ? *v.pulVal : v.ulVal);
    case VT_UINT: return static_cast<LONG>(r ? *v.puintVal : v.uintVal);
    default: return 0;
    }
}

void SetI4(VARIANT* out, LONG value) {
    out->vt = VT_I4;
    out->lVal = value;
}

void SetI2(VARIANT* out, short value) {
    out->vt = VT_I2;
    out->iVal = value;
}

HRESULT SetText(VARIANT* out, const std::wstring& value) {
    BSTR s = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!s) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = s;
    return S_OK;
}

HRESULT Run(DISPID id, const DISPPARAMS& params, VARIANT* out) {
    Agent& agent = Agent::Current();
    switch (id) {
    case DispUpload: agent.Upload(Text(Declared(params, 0))); return S_OK;
    case DispSignIn:
        SetI4(out, agent.SignIn(Text(Declared(params, 0)), Text(Declared(params, 1))) ? 1 : 0);
        return S_OK;
    case DispOpenLocker: agent.OpenLocker(); return S_OK;
    case DispSignOut: agent.SignOut(); return S_OK;
    case DispIsSignedIn: SetI4(out, agent.SignedIn() ? 1 : 0); return S_OK;
    case DispGetVersion: return SetText(out, L"1.6.0");
    case DispConfigure: agent.Configure(static_cast<short>(Number(Declared(params, 0)))); return S_OK;
    case DispGetStatus: SetI2(out, Notifier::Status()); return S_OK;
    case DispGetCurrentFileName: return SetText(out, agent.CurrentFileName());
    case DispGetFilesToGo: SetI2(out, agent.FilesToGo()); return S_OK;
    case DispRegisterUser: agent.RegisterUser(Text(Declared(params, 0))); return S_OK;
    case DispIsUpgradeAvailable: SetI4(out, agent.UpgradeAvailable() ? 1 : 0); return S_OK;
    case DispUpgrade: agent.Upgrade(); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace

HRESULT Dispatcher::Invoke(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argError) {
    const Method* method = Find(id);
    if (!method) return IsInert(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs) return DISP_E_NONAMEDARGS;
    if (params.cArgs != method->argc) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < method->argc; ++i) {
        if (!Matches(Declared(params, i), method->args[i])) {
            if (argError) *argError = params.cArgs - 1 - i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    VARIANT scratch;
    VariantInit(&scratch);
    VARIANT* out = result ? result : &scratch;
    VariantClear(out);
    HRESULT hr = Run(id, params, out);
    VariantClear(&scratch);
    return hr;
}

HRESULT Dispatcher::IdOfName(const wchar_t* name, DISPID* id) {
    *id = DISPID_UNKNOWN;
    if (!name) return DISP_E_UNKNOWNNAME;
    for (const Method& m : METHODS) {
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, -1, m.name, -1) == CSTR_EQUAL) {
            *id = m.id;
            return S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

}  // namespace standin

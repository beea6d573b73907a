#include "ScriptedCall.h"

#include <cstdio>
#include <cstdlib>

#include "CallLog.h"
#include "ControlWindow.h"
#include "Notifier.h"
#include "StandinIds.h"
#include "win/RegKey.h"

namespace standin {

ScriptedCall::ScriptedCall(DISPID id) : id_(id) {
    RegKey script = RegKey::Open(HKEY_CURRENT_USER, SCRIPT_KEY_W);
    if (!script.Valid()) return;
    const std::wstring prefix = std::to_wstring(id) + L".";
    ULONGLONG number = 0;
    if (script.ReadNumber((prefix + L"hr").c_str(), &number)) {
        hasHr_ = true;
        hr_ = static_cast<HRESULT>(static_cast<DWORD>(number));
    }
    if (script.ReadNumber((prefix + L"vt").c_str(), &number)) {
        hasVt_ = true;
        vt_ = static_cast<VARTYPE>(number);
    }
    const std::wstring value = prefix + L"value";
    valueType_ = script.TypeOf(value.c_str());
    if (valueType_ == REG_SZ || valueType_ == REG_EXPAND_SZ) {
        script.ReadString(value.c_str(), &text_);
        number_ = static_cast<ULONGLONG>(wcstoll(text_.c_str(), nullptr, 0));
    } else if (script.ReadNumber(value.c_str(), &number_)) {
        text_ = valueType_ == REG_DWORD ? std::to_wstring(static_cast<LONG>(number_))
                                        : std::to_wstring(static_cast<LONGLONG>(number_));
    } else {
        valueType_ = REG_NONE;
    }
    if (script.ReadNumber((prefix + L"delay").c_str(), &number)) delayMs_ = static_cast<DWORD>(number);
    script.ReadString((prefix + L"events").c_str(), &events_);
    script.ReadNumber((prefix + L"exitafter").c_str(), &endAfter_);
    script.ReadString(L"LogFile", &logFile_);
    logAnswers_ = script.ReadNumber(L"LogAnswers", &number) && number != 0;
}

bool ScriptedCall::InitialStatus(short* status) {
    ULONGLONG value = 0;
    if (!RegKey::Open(HKEY_CURRENT_USER, SCRIPT_KEY_W).ReadNumber(L"Status", &value)) return false;
    *status = static_cast<short>(value);
    return true;
}

void ScriptedCall::Log(WORD flags, LCID lcid, const DISPPARAMS& params) const {
    if (!logFile_.empty()) CallLog::Append(logFile_, CallLog::Format(id_, flags, lcid, params));
}

void ScriptedCall::LogAnswer(WORD flags, LCID lcid, const DISPPARAMS& params, HRESULT hr) const {
    if (logFile_.empty() || !logAnswers_) return;
    char code[16];
    snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    CallLog::Append(logFile_, std::string("answer=") + code + "\t" + CallLog::Format(id_, flags, lcid, params));
}

void ScriptedCall::Delay() const {
    // Blocks the STA like a hung agent would, but a test can still kill it meanwhile.
    const DWORD start = GetTickCount();
    for (;;) {
        ControlWindow::HonourDieRequest();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= delayMs_) break;
        Sleep(delayMs_ - elapsed < 10 ? delayMs_ - elapsed : 10);
    }
}

void ScriptedCall::FireEvents() const {
    // "id:value" pairs separated by ';' (or ','), fired in order.
    const wchar_t* p = events_.c_str();
    while (*p) {
        wchar_t* end = nullptr;
        const long eventId = wcstol(p, &end, 10);
        if (end == p || *end != L':') break;
        p = end + 1;
        const long value = wcstol(p, &end, 10);
        if (end == p) break;
        Notifier::FireNow(eventId, static_cast<short>(value));
        p = end;
        while (*p == L';' || *p == L',' || *p == L' ') ++p;
    }
}

void ScriptedCall::EndAfter(IUnknown* caller) const {
    if (endAfter_ == 0 || !ControlWindow::EndAfterThisCall(id_, static_cast<LONG>(endAfter_), caller)) return;
    RegKey::Open(HKEY_CURRENT_USER, SCRIPT_KEY_W, KEY_SET_VALUE).DeleteValue((std::to_wstring(id_) + L".exitafter").c_str());
}

HRESULT ScriptedCall::Answer(VARIANT* result) const {
    if (hasVt_ && result) {
        VariantClear(result);
        HRESULT filled = Fill(result);
        if (FAILED(filled)) return filled;
    }
    return hasHr_ ? hr_ : S_OK;
}

HRESULT ScriptedCall::Fill(VARIANT* v) const {
    const LONGLONG n = valueType_ == REG_DWORD ? static_cast<LONG>(number_) : static_cast<LONGLONG>(number_);
    switch (vt_) {
    case VT_EMPTY: return S_OK;
    case VT_BSTR:
        v->vt = VT_BSTR;
        v->bstrVal = nullptr;  // no value: a NULL BSTR, deliberately
        if (valueType_ == REG_NONE) return S_OK;
        v->bstrVal = SysAllocStringLen(text_.data(), static_cast<UINT>(text_.size()));
        return v->bstrVal ? S_OK : E_OUTOFMEMORY;
    case VT_I1: v->cVal = static_cast<CHAR>(n); break;
    case VT_UI1: v->bVal = static_cast<BYTE>(n); break;
    case VT_I2: v->iVal = static_cast<SHORT>(n); break;
    case VT_UI2: v->uiVal = static_cast<USHORT>(n); break;
    case VT_I4: v->lVal = static_cast<LONG>(n); break;
    case VT_UI4: v->ulVal = static_cast<ULONG>(n); break;
    case VT_INT: v->intVal = static_cast<INT>(n); break;
    case VT_UINT: v->uintVal = static_cast<UINT>(n); break;
    case VT_I8: v->llVal = n; break;
    case VT_UI8: v->ullVal = static_cast<ULONGLONG>(n); break;
    case VT_BOOL: v->boolVal = static_cast<VARIANT_BOOL>(static_cast<SHORT>(n)); break;  // raw, not normalised
    case VT_ERROR: v->scode = static_cast<SCODE>(n); break;
    case VT_R4: v->fltVal = static_cast<FLOAT>(n); break;
    case VT_R8: v->dblVal = static_cast<DOUBLE>(n); break;
    case VT_NULL: break;
    case VT_DISPATCH: v->pdispVal = nullptr; break;
    case VT_UNKNOWN: v->punkVal = nullptr; break;
    default: return S_OK;  // cannot be marshalled sensibly: left empty
    }
    v->vt = vt_;
    return S_OK;
}

}  // namespace standin

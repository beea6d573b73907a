#include "EventSink.h"
#include "tests/support/MessagePump.h"

#include "agent/AgentProtocol.h"
#include "tests/support/Files.h"

std::string EventSink::Joined(bool statusesOnly) const {
    std::string all;
    for (const std::string& e : events_)
        if (!statusesOnly || e[0] == 'S') all += (all.empty() ? "" : " ") + e;
    return all;
}

bool EventSink::WaitForStatus(short code, DWORD timeoutMs) {
    const std::string wanted = "S" + std::to_string(code);
    return PumpUntil([&] {
        for (const std::string& e : events_)
            if (e == wanted || e.compare(0, wanted.size() + 1, wanted + ":") == 0) return true;
        return false;
    }, timeoutMs);
}

STDMETHODIMP EventSink::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (admitEventIid_ && riid == agentproto::EVENT_IID)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    // One VT_I2 is the contract; anything else is recorded raw so a test can see it.
    if (params && params->cArgs == 1 && params->rgvarg[0].vt == VT_I2) {
        const char kind = id == agentproto::EventStatus ? 'S' : id == agentproto::EventProgress ? 'P' : '?';
        std::string event = kind + std::to_string(params->rgvarg[0].iVal);
        if (kind == 'S' && nameSource_) {
            VARIANT name;
            VariantInit(&name);
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            std::wstring text;
            if (SUCCEEDED(nameSource_->Invoke(agentproto::DispGetCurrentFileName, IID_NULL, 0, DISPATCH_METHOD, &none,
                                              &name, nullptr, nullptr)) &&
                name.vt == VT_BSTR && name.bstrVal)
                text = name.bstrVal;
            VariantClear(&name);
            event += ":" + Utf8(text.substr(text.find_last_of(L"\\/") + 1));
        }
        events_.push_back(event);
        return S_OK;
    }
    std::string raw = "E" + std::to_string(id) + "(";
    for (UINT i = params ? params->cArgs : 0; i > 0; --i) {
        const VARIANT& v = params->rgvarg[i - 1];
        raw += std::to_string(v.vt) + ":" + (v.vt == VT_I4 ? std::to_string(v.lVal) : "?") + (i > 1 ? "," : "");
    }
    events_.push_back(raw + ")");
    return S_OK;
}

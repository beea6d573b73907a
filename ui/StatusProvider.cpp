#include "ui/StatusProvider.h"

#include <string>
#include <utility>

namespace {

template <class F>
void Find(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

UiaFunctions LoadUia() {
    UiaFunctions functions;
    // Kept for the process's life: the library may hold the window's provider until it ends.
    HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
    if (!module) return functions;
    Find(module, "UiaReturnRawElementProvider", functions.returnRawElementProvider);
    Find(module, "UiaHostProviderFromHwnd", functions.hostProviderFromHwnd);
    Find(module, "UiaRaiseAutomationEvent", functions.raiseAutomationEvent);
    Find(module, "UiaDisconnectProvider", functions.disconnectProvider);
    return functions;
}

}  // namespace

const UiaFunctions& Uia() {
    static const UiaFunctions functions = LoadUia();
    return functions;
}

StatusProvider::StatusProvider(HWND window, ComPtr<AccessibleStatus> status)
    : window_(window), status_(std::move(status)) {}

void StatusProvider::WindowGone() {
    window_ = nullptr;
    status_.Reset();
}

// Called on the window's thread, as the window's other objects are.
STDMETHODIMP StatusProvider::get_ProviderOptions(ProviderOptions* options) {
    if (!options) return E_POINTER;
    *options = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
    return S_OK;
}

STDMETHODIMP StatusProvider::GetPatternProvider(PATTERNID, IUnknown** provider) {
    if (!provider) return E_POINTER;
    *provider = nullptr;
    return S_OK;
}

STDMETHODIMP StatusProvider::GetPropertyValue(PROPERTYID property, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (!window_) return UIA_ELEMENT_NOT_AVAILABLE;
    try {
        if (property == UIA_NAME_PROPERTY) {
            const std::wstring text = status_->StatusText();
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocString(text.empty() ? L"Parcelo" : text.c_str());
            if (!value->bstrVal) {
                value->vt = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
        } else if (property == UIA_CONTROL_TYPE_PROPERTY) {
            value->vt = VT_I4;
            value->lVal = UIA_STATUS_BAR_CONTROL_TYPE;
        } else if (property == UIA_LIVE_SETTING_PROPERTY) {
            value->vt = VT_I4;
            value->lVal = UIA_LIVE_POLITE;
        }
    } catch (...) {
        VariantClear(value);
        return E_OUTOFMEMORY;
    }
    return S_OK;  // VT_EMPTY: the host's answer stands
}

STDMETHODIMP StatusProvider::get_HostRawElementProvider(IRawElementProviderSimple** host) {
    if (!host) return E_POINTER;
    *host = nullptr;
    if (!window_) return UIA_ELEMENT_NOT_AVAILABLE;
    return Uia().hostProviderFromHwnd ? Uia().hostProviderFromHwnd(window_, host) : S_OK;
}

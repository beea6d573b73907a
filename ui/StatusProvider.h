// The drop window's status for UI Automation: a polite live region whose name is the status
// as drawn, so that a reader speaks it when told the region changed. The automation library
// is looked up when first asked for, never linked: where it is missing, the window is still
// read through its accessible object.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>

#include "ui/AccessibleStatus.h"
#include "win/CountedObject.h"

// The parts of the automation library the window uses; null where the system lacks them.
struct UiaFunctions {
    LRESULT(WINAPI* returnRawElementProvider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
    HRESULT(WINAPI* hostProviderFromHwnd)(HWND, IRawElementProviderSimple**) = nullptr;
    HRESULT(WINAPI* raiseAutomationEvent)(IRawElementProviderSimple*, EVENTID) = nullptr;
    HRESULT(WINAPI* disconnectProvider)(IRawElementProviderSimple*) = nullptr;
};
// Loaded once for the process, on the first call.
const UiaFunctions& Uia();

// Ids and codes of the automation library, named here: not every compiler's headers that
// carry them can be included from C++.
constexpr LONG UIA_ROOT_OBJECT_ID = -25;
constexpr PROPERTYID UIA_CONTROL_TYPE_PROPERTY = 30003;
constexpr PROPERTYID UIA_NAME_PROPERTY = 30005;
constexpr PROPERTYID UIA_LIVE_SETTING_PROPERTY = 30135;
constexpr HRESULT UIA_ELEMENT_NOT_AVAILABLE = static_cast<HRESULT>(0x80040201);
constexpr EVENTID UIA_LIVE_REGION_CHANGED_EVENT = 20024;
constexpr long UIA_STATUS_BAR_CONTROL_TYPE = 50017;
constexpr long UIA_LIVE_POLITE = 1;

class StatusProvider final : public CountedObject<IRawElementProviderSimple> {
public:
    // Reads the status through `status`, which it keeps alive.
    StatusProvider(HWND window, ComPtr<AccessibleStatus> status);

    void WindowGone();

    STDMETHODIMP get_ProviderOptions(ProviderOptions* options) override;
    STDMETHODIMP GetPatternProvider(PATTERNID pattern, IUnknown** provider) override;
    STDMETHODIMP GetPropertyValue(PROPERTYID property, VARIANT* value) override;
    STDMETHODIMP get_HostRawElementProvider(IRawElementProviderSimple** host) override;

private:
    ~StatusProvider() override = default;

    HWND window_;
    ComPtr<AccessibleStatus> status_;
};

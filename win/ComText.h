// Code-page text read into UTF-16, and VARIANTs that clear themselves.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <string>

// Text that came in the system code page (a CF_TEXT drop, a narrow file list) as UTF-16.
std::wstring NarrowToWide(const char* text);

class ScopedVariant {
public:
    ScopedVariant() { ZeroMemory(&v_, sizeof v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&v_); }
    // For a call to fill in.
    VARIANT* Out() { return &v_; }
    const VARIANT& Get() const { return v_; }
    VARIANT& Raw() { return v_; }

private:
    VARIANT v_;
};

// Arguments for one Invoke, in the reversed order IDispatch wants; cleared afterwards.
template <size_t N>
class VariantArgs {
public:
    VariantArgs() { ZeroMemory(v, sizeof v); }
    VariantArgs(const VariantArgs&) = delete;
    VariantArgs& operator=(const VariantArgs&) = delete;
    ~VariantArgs() {
        for (VARIANT& each : v) VariantClear(&each);
    }
    // The exact text; a null text becomes a null BSTR.
    void SetText(size_t index, const wchar_t* text) {
        v[index].vt = VT_BSTR;
        v[index].bstrVal = text ? SysAllocString(text) : nullptr;
    }
    VARIANT v[N];
};

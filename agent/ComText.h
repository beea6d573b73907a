// Narrow (ANSI code page) text <-> BSTR, and a VARIANT that clears itself.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <string>

// A null pointer gives a null BSTR. The caller owns the result.
BSTR NarrowToBstr(const char* text);
// A null BSTR is an empty text; the whole length is converted.
std::string BstrToNarrow(BSTR text);
// A narrow text as the agent has always been given it: read in the system code page.
std::wstring NarrowToWide(const char* text);
// For narrow message texts only: what the code page lacks comes out as its default character.
std::string WideToNarrow(const wchar_t* text, size_t length);

class ScopedVariant {
public:
    ScopedVariant() { ZeroMemory(&v_, sizeof v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&v_); }
    VARIANT* operator&() { return &v_; }
    const VARIANT& operator*() const { return v_; }
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
    void SetText(size_t index, const char* text);  // a null text becomes a null BSTR
    VARIANT v[N];
};

template <size_t N>
void VariantArgs<N>::SetText(size_t index, const char* text) {
    v[index].vt = VT_BSTR;
    v[index].bstrVal = NarrowToBstr(text);
}

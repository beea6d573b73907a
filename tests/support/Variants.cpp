#include "tests/support/Variants.h"

#include <oleauto.h>

namespace {

VARIANT Of(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

}  // namespace

VARIANT Text(const wchar_t* text) {
    VARIANT v = Of(VT_BSTR);
    v.bstrVal = SysAllocString(text);
    return v;
}

VARIANT Flag(bool value) {
    VARIANT v = Of(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT I2(short value) {
    VARIANT v = Of(VT_I2);
    v.iVal = value;
    return v;
}

VARIANT I4(LONG value) {
    VARIANT v = Of(VT_I4);
    v.lVal = value;
    return v;
}

VARIANT RefTo(VARIANT* inner) {
    VARIANT v = Of(VT_BYREF | VT_VARIANT);
    v.pvarVal = inner;
    return v;
}

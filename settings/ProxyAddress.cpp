#include "settings/ProxyAddress.h"

#include <cwchar>

bool IsValidProxyAddress(const wchar_t* text) {
    if (!text || std::wcslen(text) > 15) return false;
    int groups = 0, digits = 0, value = 0;
    // The terminating NUL ends the last group like a full stop.
    for (const wchar_t* p = text;; ++p) {
        const wchar_t c = *p;
        if (c >= L'0' && c <= L'9') {
            ++digits;
            value = value * 10 + (c - L'0');  // at most 15 digits, and > 255 is refused below
            if (value > 255) value = 256;
        } else if (c == L'.' || c == L'\0') {
            if (digits == 0 || value > 255) return false;
            ++groups;
            digits = 0;
            value = 0;
            if (c == L'\0') break;
        } else {
            return false;
        }
    }
    return groups == 4;
}

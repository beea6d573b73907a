#include "settings/ProxyAddress.h"

#include <cstring>

bool IsValidProxyAddress(const char* text) {
    if (!text || std::strlen(text) > 15) return false;
    int groups = 0, digits = 0, value = 0;
    // The terminating NUL ends the last group like a full stop.
    for (const char* p = text;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            ++digits;
            value = value * 10 + (c - '0');  // at most 15 digits, and > 255 is refused below
            if (value > 255) value = 256;
        } else if (c == '.' || c == '\0') {
            if (digits == 0 || value > 255) return false;
            ++groups;
            digits = 0;
            value = 0;
            if (c == '\0') break;
        } else {
            return false;
        }
    }
    return groups == 4;
}

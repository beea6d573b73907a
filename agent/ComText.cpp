#include "agent/ComText.h"

#include <climits>

BSTR NarrowToBstr(const char* text) {
    if (!text) return nullptr;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0) return SysAllocString(L"");
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(needed - 1));
    if (out) MultiByteToWideChar(CP_ACP, 0, text, -1, out, needed);
    return out;
}

std::string BstrToNarrow(BSTR text) {
    const UINT length = text ? SysStringLen(text) : 0;
    if (length == 0 || length > INT_MAX) return std::string();
    const int wide = static_cast<int>(length);
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wide, &out[0], needed, nullptr, nullptr);
    // Text after an embedded NUL would never be shown; keep what a C string sees.
    out.resize(strlen(out.c_str()));
    return out;
}

#include "agent/ComText.h"

#include <climits>
#include <cstring>

BSTR NarrowToBstr(const char* text) {
    if (!text) return nullptr;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0) return SysAllocString(L"");
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(needed - 1));
    if (out) MultiByteToWideChar(CP_ACP, 0, text, -1, out, needed);
    return out;
}

std::string BstrToNarrow(BSTR text) { return WideToNarrow(text, text ? SysStringLen(text) : 0); }

std::wstring NarrowToWide(const char* text) {
    if (!text || !*text) return std::wstring();
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) return std::wstring();
    std::wstring out(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], needed);
    out.resize(static_cast<size_t>(needed - 1));
    return out;
}

std::string WideToNarrow(const wchar_t* text, size_t length) {
    if (!text || length == 0 || length > INT_MAX) return std::string();
    const int wide = static_cast<int>(length);
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wide, &out[0], needed, nullptr, nullptr);
    // Text after an embedded NUL would never be shown; keep what a C string sees.
    out.resize(strlen(out.c_str()));
    return out;
}

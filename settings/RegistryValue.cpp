#include "settings/RegistryValue.h"

namespace {

bool EqualsIgnoringCase(const std::wstring& text, const wchar_t* word) {
    std::size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= text.size()) return false;
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != word[i]) return false;
    }
    return i == text.size();
}

}  // namespace

bool DecodeText(const unsigned char* bytes, std::size_t size, std::size_t limit, std::wstring& out) {
    if (size / 2 > limit || (size > 0 && !bytes)) return false;
    const std::size_t units = size / 2;
    std::size_t length = 0;
    while (length < units && (bytes[2 * length] != 0 || bytes[2 * length + 1] != 0)) ++length;
    // Stored without its NUL, the text may still need one more character than the limit allows.
    if (length + 1 > limit) return false;
    out.resize(length);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return true;
}

bool DecodeCodePageText(const unsigned char* bytes, std::size_t size, std::size_t limit, std::string& out) {
    if (size > limit || (size > 0 && !bytes)) return false;
    std::size_t length = 0;
    while (length < size && bytes[length] != 0) ++length;
    if (length + 1 > limit) return false;
    out.assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool DecodeNumber(const unsigned char* bytes, std::size_t size, int32_t& out) {
    if (size != NUMBER_LIMIT || !bytes) return false;
    uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    out = static_cast<int32_t>(value);
    return true;
}

int DecodeUseProxy(const std::wstring& text) {
    return EqualsIgnoringCase(text, L"true") || EqualsIgnoringCase(text, L"yes") ? 1 : 0;
}

#include "settings/RegistryValue.h"

namespace {

bool EqualsIgnoringCase(const std::string& text, const char* word) {
    std::size_t i = 0;
    for (; word[i]; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return i == text.size();
}

}  // namespace

bool DecodeText(const unsigned char* bytes, std::size_t size, std::size_t limit, std::string& out) {
    if (size > limit || (size > 0 && !bytes)) return false;
    std::size_t length = 0;
    while (length < size && bytes[length] != 0) ++length;
    // Stored without its NUL, the text may still need one more byte than the limit allows.
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

int DecodeUseProxy(const std::string& text) {
    return EqualsIgnoringCase(text, "true") || EqualsIgnoringCase(text, "yes") ? 1 : 0;
}

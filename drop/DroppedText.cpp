#include "drop/DroppedText.h"

std::string TextFromBlock(const char* bytes, std::size_t size) {
    if (!bytes) return std::string();
    std::size_t length = 0;
    while (length < size && bytes[length] != '\0') ++length;
    return std::string(bytes, length);
}

std::wstring TextFromWideBlock(const unsigned char* bytes, std::size_t size) {
    std::wstring text;
    if (!bytes) return text;
    for (std::size_t at = 0; at + 1 < size; at += 2) {
        const wchar_t unit = static_cast<wchar_t>(bytes[at] | bytes[at + 1] << 8);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

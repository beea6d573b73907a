// Shared by the fuzz targets: a failed check aborts, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

// The input up to its first NUL, in a heap block of exactly that length plus the NUL: a
// std::string could hold a short text in spare room of its own, where a read past the
// terminator would go unnoticed.
inline std::unique_ptr<char[]> ExactCString(const uint8_t* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != 0) ++length;
    std::unique_ptr<char[]> text(new char[length + 1]);
    if (length) std::memcpy(text.get(), data, length);
    text[length] = '\0';
    return text;
}

// The input read as UTF-16 units, little-endian, up to its first NUL unit (an odd last byte
// is dropped), in a heap block of exactly that length plus the NUL.
inline std::unique_ptr<wchar_t[]> ExactWideString(const uint8_t* data, std::size_t size) {
    std::size_t length = 0;
    while (2 * length + 1 < size && (data[2 * length] != 0 || data[2 * length + 1] != 0)) ++length;
    std::unique_ptr<wchar_t[]> text(new wchar_t[length + 1]);
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<wchar_t>(data[2 * i] | data[2 * i + 1] << 8);
    text[length] = L'\0';
    return text;
}

inline int32_t ReadInt32(const uint8_t* at) {
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

// Decoding of stored registry values, whatever their stored type. No windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A value is taken only when it fits its read limit: characters, terminating NUL included,
// for texts; bytes for numbers.
constexpr std::size_t NAME_LIMIT = 200;
constexpr std::size_t PROXY_LIMIT = 16;
constexpr std::size_t NUMBER_LIMIT = 4;

// A text as the registry's wide functions give it: UTF-16 units, little-endian, up to the
// first NUL unit. The bytes need not be terminated (an odd last byte is no character), but
// the text and its NUL must fit the limit.
bool DecodeText(const unsigned char* bytes, std::size_t size, std::size_t limit, std::wstring& out);
// A value of another type read as a text, as the program always read it: its bytes are
// code-page text, up to the first NUL; the limit counts bytes.
bool DecodeCodePageText(const unsigned char* bytes, std::size_t size, std::size_t limit, std::string& out);
// Exactly four bytes, little-endian. Fewer are not a number: the missing high bytes would
// be whatever the reader's buffer held.
bool DecodeNumber(const unsigned char* bytes, std::size_t size, int32_t& out);
// "true" or "yes" in any ASCII letter case means on; anything else off.
int DecodeUseProxy(const std::wstring& text);

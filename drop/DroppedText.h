// The text of a dropped text block. No windows.h here.
#pragma once

#include <cstddef>
#include <string>

// CF_TEXT: up to the first NUL, or the whole block when the sender left none: never past its end.
std::string TextFromBlock(const char* bytes, std::size_t size);
// CF_UNICODETEXT: UTF-16 units, little-endian, up to the first NUL unit, never past the
// block's end; an odd last byte is no character.
std::wstring TextFromWideBlock(const unsigned char* bytes, std::size_t size);

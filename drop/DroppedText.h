// The text of a dropped CF_TEXT block. No windows.h here.
#pragma once

#include <cstddef>
#include <string>

// Up to the first NUL, or the whole block when the sender left none: never past its end.
std::string TextFromBlock(const char* bytes, std::size_t size);

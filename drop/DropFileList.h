// Reading a dropped file list (a DROPFILES block) without trusting it. No windows.h here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct DroppedPath {
    bool wide = false;
    std::string narrow;   // when !wide: the bytes as given (system code page)
    std::u16string utf16;  // when wide
};

// The paths in list order, in one pass. The block is refused whole (no paths) when its
// header does not fit, its list starts outside it or inside the header, or the list's
// closing empty entry is not inside it; a wide list is read in whole 2-byte units only.
std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size);

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

// The paths in list order. A block too short for its header, or whose list starts outside
// it, holds none; a list that runs off the end of the block ends there.
std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size);

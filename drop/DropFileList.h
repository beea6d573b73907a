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

// A list taken a few names at a time, so that reading ten thousand never holds anything up.
// The whole block is checked first, in one pass that copies nothing, so a list that is
// refused is refused before any of its names is used.
class DroppedFileList {
public:
    DroppedFileList() = default;
    explicit DroppedFileList(std::vector<unsigned char> block) : block_(std::move(block)) {}

    // False when the block is refused whole: its header does not fit, its list starts outside
    // it or inside the header, or the list's closing empty entry is not inside it (a wide
    // list is read in whole 2-byte units only).
    bool Check();
    bool Empty() const { return block_.empty(); }
    // Names not taken yet; 0 until the check has passed.
    std::size_t Left() const { return left_; }
    // Up to `most` further names, in list order.
    std::vector<DroppedPath> Take(std::size_t most);

private:
    std::vector<unsigned char> block_;
    std::size_t at_ = 0;
    std::size_t left_ = 0;
    bool wide_ = false;
};

// Every name of a block, or none when it is refused.
std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size);

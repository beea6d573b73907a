#include "drop/DropFileList.h"

#include <cstdint>

namespace {

constexpr std::size_t HEADER_SIZE = 20;  // pFiles, pt.x, pt.y, fNC, fWide

uint32_t ReadDword(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

// Characters of one list, either width, read only where a whole character lies inside.
class ListReader {
public:
    ListReader(const unsigned char* block, std::size_t size, std::size_t at, bool wide)
        : block_(block), size_(size), at_(at), width_(wide ? 2 : 1) {}
    bool Next(char16_t& c) {
        if (size_ - at_ < width_) return false;
        c = width_ == 2 ? static_cast<char16_t>(block_[at_] | block_[at_ + 1] << 8) : block_[at_];
        at_ += width_;
        return true;
    }

private:
    const unsigned char* block_;
    std::size_t size_;
    std::size_t at_;
    std::size_t width_;
};

}  // namespace

std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size) {
    std::vector<DroppedPath> paths;
    if (!block || size < HEADER_SIZE) return paths;
    const std::size_t start = ReadDword(block);
    const bool wide = ReadDword(block + 16) != 0;
    if (start < HEADER_SIZE || start >= size) return paths;

    ListReader reader(block, size, start, wide);
    DroppedPath entry;
    entry.wide = wide;
    for (char16_t c;;) {
        // A list cut off by the end of its block may have lost the end of its last name,
        // and that name would lead to another file or none: none of it is taken.
        if (!reader.Next(c)) return {};
        if (c != 0) {
            if (wide) entry.utf16.push_back(c);
            else entry.narrow.push_back(static_cast<char>(c));
            continue;
        }
        if (entry.utf16.empty() && entry.narrow.empty()) return paths;  // the closing empty entry
        paths.push_back(std::move(entry));
        entry = DroppedPath();
        entry.wide = wide;
    }
}

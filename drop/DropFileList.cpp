#include "drop/DropFileList.h"

#include <cstdint>

namespace {

constexpr std::size_t kHeaderSize = 20;  // pFiles, pt.x, pt.y, fNC, fWide

uint32_t ReadDword(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size) {
    std::vector<DroppedPath> paths;
    if (!block || size < kHeaderSize) return paths;
    const std::size_t start = ReadDword(block);
    const bool wide = ReadDword(block + 16) != 0;
    if (start < kHeaderSize || start >= size) return paths;

    std::size_t at = start;
    if (wide) {
        for (;;) {
            std::u16string path;
            while (at + 1 < size) {
                const char16_t unit = static_cast<char16_t>(block[at] | block[at + 1] << 8);
                at += 2;
                if (unit == 0) break;
                path.push_back(unit);
            }
            if (path.empty()) break;
            DroppedPath entry;
            entry.wide = true;
            entry.utf16 = std::move(path);
            paths.push_back(std::move(entry));
            if (at + 1 >= size) break;
        }
    } else {
        for (;;) {
            std::string path;
            while (at < size) {
                const char c = static_cast<char>(block[at++]);
                if (c == 0) break;
                path.push_back(c);
            }
            if (path.empty()) break;
            DroppedPath entry;
            entry.narrow = std::move(path);
            paths.push_back(std::move(entry));
            if (at >= size) break;
        }
    }
    return paths;
}

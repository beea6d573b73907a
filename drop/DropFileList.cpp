#include "drop/DropFileList.h"

#include <cstdint>
#include <utility>

namespace {

constexpr std::size_t HEADER_SIZE = 20;  // pFiles, pt.x, pt.y, fNC, fWide

uint32_t ReadDword(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

bool DroppedFileList::Check() {
    left_ = 0;
    const std::size_t size = block_.size();
    if (size < HEADER_SIZE) return false;
    const std::size_t start = ReadDword(block_.data());
    wide_ = ReadDword(block_.data() + 16) != 0;
    if (start < HEADER_SIZE || start >= size) return false;
    const std::size_t width = wide_ ? 2 : 1;
    std::size_t names = 0;
    bool emptyName = true;
    for (std::size_t at = start;; at += width) {
        // A list cut off by the end of its block may have lost the end of its last name,
        // and that name would lead to another file or none: none of it is taken.
        if (size - at < width) return false;
        if (block_[at] != 0 || (wide_ && block_[at + 1] != 0)) {
            emptyName = false;
            continue;
        }
        if (emptyName) break;  // the closing empty entry
        ++names;
        emptyName = true;
    }
    at_ = start;
    left_ = names;
    return true;
}

std::vector<DroppedPath> DroppedFileList::Take(std::size_t most) {
    std::vector<DroppedPath> paths;
    const std::size_t width = wide_ ? 2 : 1;
    for (; left_ > 0 && paths.size() < most; --left_) {
        std::size_t end = at_;  // inside the block: the check found every name's end
        while (block_[end] != 0 || (wide_ && block_[end + 1] != 0)) end += width;
        DroppedPath entry;
        entry.wide = wide_;
        if (wide_) {
            entry.utf16.resize((end - at_) / 2);
            for (std::size_t i = 0; i < entry.utf16.size(); ++i)
                entry.utf16[i] = static_cast<char16_t>(block_[at_ + 2 * i] | block_[at_ + 2 * i + 1] << 8);
        } else {
            entry.narrow.assign(reinterpret_cast<const char*>(block_.data() + at_), end - at_);
        }
        paths.push_back(std::move(entry));
        at_ = end + width;
    }
    return paths;
}

std::vector<DroppedPath> ParseDropFiles(const unsigned char* block, std::size_t size) {
    if (!block) return {};
    DroppedFileList list(std::vector<unsigned char>(block, block + size));
    return list.Check() ? list.Take(list.Left()) : std::vector<DroppedPath>();
}

// A dropped file list comes from another program: any bytes at all, at any length. libFuzzer
// hands each input over in a heap block of exactly its size, so AddressSanitizer reports any
// read past the block's end.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "drop/DropFileList.h"

namespace {

// An independent reading of the documented layout: a 20-byte header (list offset first,
// wide flag last), then paths each ended by a NUL unit, an empty path ending the list.
struct Reading {
    std::vector<DroppedPath> paths;  // each ended by its NUL inside the block, then any cut-off last one
    bool closed = false;             // the empty entry that ends the list lies inside the block
};

Reading ReadIndependently(const uint8_t* block, std::size_t size) {
    Reading reading;
    if (size < 20) return reading;
    const uint32_t start = static_cast<uint32_t>(ReadInt32(block));
    const bool wide = block[16] || block[17] || block[18] || block[19];
    if (start < 20 || start >= size) return reading;

    DroppedPath current;
    current.wide = wide;
    const std::size_t step = wide ? 2 : 1;
    for (std::size_t at = start; at + step <= size; at += step) {
        const unsigned unit = wide ? block[at] | block[at + 1] << 8 : block[at];
        if (unit == 0) {
            const bool empty = wide ? current.utf16.empty() : current.narrow.empty();
            if (empty) {
                reading.closed = true;
                return reading;
            }
            reading.paths.push_back(current);
            current = DroppedPath();
            current.wide = wide;
        } else if (wide) {
            current.utf16.push_back(static_cast<char16_t>(unit));
        } else {
            current.narrow.push_back(static_cast<char>(unit));
        }
    }
    if (wide ? !current.utf16.empty() : !current.narrow.empty()) reading.paths.push_back(current);
    return reading;
}

bool Same(const DroppedPath& a, const DroppedPath& b) {
    return a.wide == b.wide && (a.wide ? a.utf16 == b.utf16 : a.narrow == b.narrow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(ParseDropFiles(nullptr, 0).empty());

    const std::vector<DroppedPath> paths = ParseDropFiles(data, size);
    const Reading expected = ReadIndependently(data, size);

    // A list that is properly closed inside its block must come back whole. What is kept of
    // one that runs off the end is the parser's choice (all, the complete names, or nothing),
    // but only ever names as they stand in the block, in order.
    if (expected.closed) FUZZ_CHECK(paths.size() == expected.paths.size());
    FUZZ_CHECK(paths.size() <= expected.paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) FUZZ_CHECK(Same(paths[i], expected.paths[i]));

    // Taken a few names at a time, as the window does, the list is the same.
    DroppedFileList list(std::vector<unsigned char>(data, data + size));
    FUZZ_CHECK(list.Check() == !paths.empty() || (list.Left() == 0 && paths.empty()));
    const std::size_t chunk = size ? data[size - 1] % 5 + 1 : 1;
    std::vector<DroppedPath> taken;
    for (std::vector<DroppedPath> part; !(part = list.Take(chunk)).empty();) {
        FUZZ_CHECK(part.size() <= chunk);
        taken.insert(taken.end(), part.begin(), part.end());
    }
    FUZZ_CHECK(taken.size() == paths.size());
    for (std::size_t i = 0; i < taken.size(); ++i) FUZZ_CHECK(Same(taken[i], paths[i]));
    return 0;
}

#include "ui/PngImage.h"

#include <cstring>
#include <vector>

namespace {

// ---- inflate (RFC 1951), the output's size known in advance

class BitReader {
public:
    BitReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next `count` (up to 24) bits, first bit lowest. Reading past the end gives zeros and
    // fails the reader; looking past it does not, as the last code may be shorter than a look.
    uint32_t Bits(int count) {
        const uint32_t value = Peek(count);
        Drop(count);
        return value;
    }
    uint32_t Peek(int count) {
        while (held_ < count) {
            buffer_ |= static_cast<uint64_t>(at_ < size_ ? data_[at_] : 0) << held_;
            ++at_;
            held_ += 8;
        }
        return static_cast<uint32_t>(buffer_ & ((uint64_t(1) << count) - 1));
    }
    void Drop(int count) {
        buffer_ >>= count;
        held_ -= count;
        used_ += static_cast<std::size_t>(count);
    }
    // Stored blocks start at a byte boundary.
    void AlignToByte() { Drop(static_cast<int>((8 - used_ % 8) % 8)); }
    bool Failed() const { return used_ > size_ * 8; }

private:
    const uint8_t* data_;
    std::size_t size_, at_ = 0, used_ = 0;
    uint64_t buffer_ = 0;
    int held_ = 0;
};

constexpr int MAX_BITS = 15;
// Far above any skin frame (the largest is 348 x 288), far below what memory would refuse.
constexpr uint64_t MAX_PNG_PIXELS = 1 << 22;
constexpr int FAST_BITS = 10;
constexpr int FIXED_LITERALS = 288, FIXED_DISTANCES = 32;

// A canonical Huffman code: the count of codes of each length and the symbols in code order, and
// a table for codes of up to FAST_BITS bits, indexed by the next FAST_BITS input bits.
struct Huffman {
    uint16_t counts[MAX_BITS + 1] = {};
    uint16_t symbols[288] = {};
    uint16_t fast[1 << FAST_BITS] = {};  // symbol << 4 | length; 0 for a longer code

    // False for a set of lengths that is no code (over-subscribed, or incomplete with more than one code).
    bool Build(const uint8_t* lengths, int count) {
        std::memset(counts, 0, sizeof counts);
        std::memset(fast, 0, sizeof fast);
        for (int s = 0; s < count; ++s) ++counts[lengths[s]];
        if (counts[0] == count) return true;  // no codes: any use fails
        int left = 1;
        for (int length = 1; length <= MAX_BITS; ++length) {
            left = 2 * left - counts[length];
            if (left < 0) return false;
        }
        int offsets[MAX_BITS + 2] = {};
        for (int length = 1; length <= MAX_BITS; ++length) offsets[length + 1] = offsets[length] + counts[length];
        for (int s = 0; s < count; ++s)
            if (lengths[s]) symbols[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
        if (left > 0 && count - counts[0] > 1) return false;
        // Codes are read first bit first, highest code bit first: reverse them for the table.
        int code = 0, index = 0;
        for (int length = 1; length <= FAST_BITS; ++length) {
            for (int n = 0; n < counts[length]; ++n, ++code, ++index) {
                int reversed = 0;
                for (int b = 0; b < length; ++b) reversed |= ((code >> b) & 1) << (length - 1 - b);
                for (int at = reversed; at < (1 << FAST_BITS); at += 1 << length)
                    fast[at] = static_cast<uint16_t>(symbols[index] << 4 | length);
            }
            code <<= 1;
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code.
    int Decode(BitReader& in) const {
        const uint16_t entry = fast[in.Peek(FAST_BITS)];
        if (entry) {
            in.Drop(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= MAX_BITS; ++length) {
            code |= static_cast<int>(in.Bits(1));
            const int count = counts[length];
            if (code - count < first) return symbols[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }
};

const uint16_t LENGTH_BASE[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LENGTH_EXTRA[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DISTANCE_BASE[] = {1,    2,    3,    4,    5,    7,    9,     13,    17,    25,
                                  33,   49,   65,   97,   129,  193,  257,   385,   513,   769,
                                  1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DISTANCE_EXTRA[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8,
                                  9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
public:
    Inflater(const uint8_t* data, std::size_t size, std::size_t expected) : in_(data, size), limit_(expected) {
        out_.reserve(expected);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Every block up to the last; false for a damaged stream or one that makes more than expected.
    bool Run(std::vector<uint8_t>& out) {
        for (bool last = false; !last;) {
            last = in_.Bits(1) != 0;
            const uint32_t type = in_.Bits(2);
            const bool ok = type == 0 ? Stored() : type == 1 ? Fixed() : type == 2 ? Dynamic() : false;
            if (!ok || in_.Failed()) return false;
        }
        out = std::move(out_);
        return true;
    }

private:
    bool Stored() {
        in_.AlignToByte();
        const uint32_t length = in_.Bits(16), complement = in_.Bits(16);
        if ((length ^ 0xFFFF) != complement || out_.size() + length > limit_) return false;
        for (uint32_t i = 0; i < length && !in_.Failed(); ++i) out_.push_back(static_cast<uint8_t>(in_.Bits(8)));
        return true;
    }

    // The fixed code is complete: 288 literal/length and 32 distance codes, of which literal/length
    // symbols 286 and 287 and distances 30 and 31 occur in no valid stream (Codes refuses them).
    // Built from only the 30 valid distances it would be incomplete, and no fixed block would read.
    bool Fixed() {
        uint8_t lengths[FIXED_LITERALS + FIXED_DISTANCES];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        std::memset(lengths + FIXED_LITERALS, 5, FIXED_DISTANCES);
        return literals_.Build(lengths, FIXED_LITERALS) && distances_.Build(lengths + FIXED_LITERALS, FIXED_DISTANCES) &&
               Codes();
    }

    bool Dynamic() {
        const int literalCount = static_cast<int>(in_.Bits(5)) + 257, distanceCount = static_cast<int>(in_.Bits(5)) + 1,
                  lengthCount = static_cast<int>(in_.Bits(4)) + 4;
        if (literalCount > 286 || distanceCount > 30) return false;
        static const uint8_t ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        uint8_t lengths[288 + 30] = {};
        for (int i = 0; i < lengthCount; ++i) lengths[ORDER[i]] = static_cast<uint8_t>(in_.Bits(3));
        Huffman lengthCode;
        if (!lengthCode.Build(lengths, 19)) return false;
        int at = 0;
        while (at < literalCount + distanceCount) {
            const int symbol = lengthCode.Decode(in_);
            if (symbol < 0 || in_.Failed()) return false;
            if (symbol < 16) {
                lengths[at++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t value = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (at == 0) return false;
                value = lengths[at - 1];
                repeat = 3 + static_cast<int>(in_.Bits(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(in_.Bits(3));
            } else {
                repeat = 11 + static_cast<int>(in_.Bits(7));
            }
            if (at + repeat > literalCount + distanceCount) return false;
            while (repeat--) lengths[at++] = value;
        }
        if (lengths[256] == 0) return false;  // no end of block
        // The distances' lengths follow the literals' directly in the one list.
        uint8_t distanceLengths[30] = {};
        std::memcpy(distanceLengths, lengths + literalCount, static_cast<std::size_t>(distanceCount));
        return literals_.Build(lengths, literalCount) && distances_.Build(distanceLengths, distanceCount) && Codes();
    }

    bool Codes() {
        for (;;) {
            const int symbol = literals_.Decode(in_);
            if (symbol < 0 || in_.Failed()) return false;
            if (symbol < 256) {
                if (out_.size() >= limit_) return false;
                out_.push_back(static_cast<uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) return true;
            const int lengthIndex = symbol - 257;
            if (lengthIndex >= 29) return false;
            const std::size_t length = LENGTH_BASE[lengthIndex] + in_.Bits(LENGTH_EXTRA[lengthIndex]);
            const int distanceIndex = distances_.Decode(in_);
            if (distanceIndex < 0 || distanceIndex >= 30) return false;
            const std::size_t distance = DISTANCE_BASE[distanceIndex] + in_.Bits(DISTANCE_EXTRA[distanceIndex]);
            if (in_.Failed() || distance > out_.size() || out_.size() + length > limit_) return false;
            const std::size_t from = out_.size() - distance;
            for (std::size_t i = 0; i < length; ++i) out_.push_back(out_[from + i]);
        }
    }

    BitReader in_;
    std::size_t limit_;
    std::vector<uint8_t> out_;
    Huffman literals_, distances_;
};

uint32_t Adler32(const std::vector<uint8_t>& bytes) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

uint32_t BigEndian(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 | static_cast<uint32_t>(at[2]) << 8 |
           at[3];
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The chunks that matter: the header's facts and the data, gathered from every IDAT chunk.
struct PngParts {
    uint32_t width = 0, height = 0;
    int channels = 0;
    std::vector<uint8_t> compressed;
};

bool ReadParts(const uint8_t* data, std::size_t size, PngParts& parts, bool withData) {
    static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data || size < 8 || std::memcmp(data, SIGNATURE, 8) != 0) return false;
    for (std::size_t at = 8;;) {
        if (size - at < 12) return false;
        const uint32_t length = BigEndian(data + at);
        if (length > size - at - 12) return false;
        const uint8_t* type = data + at + 4;
        const uint8_t* body = data + at + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // 8 bits a channel, RGB (2) or RGBA (6), deflate, the adaptive filters, not interlaced.
            if (length != 13 || body[8] != 8 || (body[9] != 2 && body[9] != 6) || body[10] || body[11] || body[12])
                return false;
            parts.width = BigEndian(body);
            parts.height = BigEndian(body + 4);
            parts.channels = body[9] == 2 ? 3 : 4;
            if (!withData) break;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            if (withData) parts.compressed.insert(parts.compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    return parts.channels != 0 && parts.width != 0 && parts.height != 0 && parts.width <= MAX_RESIZE_SIDE &&
           parts.height <= MAX_RESIZE_SIDE && static_cast<uint64_t>(parts.width) * parts.height <= MAX_PNG_PIXELS;
}

}  // namespace

bool PngSize(const uint8_t* data, std::size_t size, int& width, int& height) {
    PngParts parts;
    if (!ReadParts(data, size, parts, false)) return false;
    width = static_cast<int>(parts.width);
    height = static_cast<int>(parts.height);
    return true;
}

bool DecodePngInto(const uint8_t* data, std::size_t size, uint32_t* pixels, std::size_t count) {
    PngParts parts;
    if (!pixels || !ReadParts(data, size, parts, true) ||
        count != static_cast<std::size_t>(parts.width) * parts.height)
        return false;
    const std::vector<uint8_t>& compressed = parts.compressed;
    // The zlib wrapper: deflate with a window of at most 32 KiB, no preset dictionary, a sound
    // check value; the checksum of what comes out after the data.
    if (compressed.size() < 6 || (compressed[0] & 0x0F) != 8 || (compressed[0] >> 4) > 7 || (compressed[1] & 0x20) ||
        ((compressed[0] << 8) | compressed[1]) % 31 != 0)
        return false;
    const std::size_t channels = static_cast<std::size_t>(parts.channels), stride = parts.width * channels;
    std::vector<uint8_t> raw;
    Inflater inflater(compressed.data() + 2, compressed.size() - 6, (stride + 1) * parts.height);
    if (!inflater.Run(raw) || raw.size() != (stride + 1) * parts.height ||
        Adler32(raw) != BigEndian(compressed.data() + compressed.size() - 4))
        return false;

    // Each row: its filter, then its bytes as differences from their neighbours to the left and above.
    std::vector<uint8_t> previous(stride, 0), row(stride, 0);
    for (uint32_t y = 0; y < parts.height; ++y) {
        const uint8_t* line = &raw[y * (stride + 1)];
        const uint8_t filter = line[0];
        if (filter > 4) return false;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? row[i - channels] : 0, b = previous[i],
                      c = i >= channels ? previous[i - channels] : 0;
            const int predicted = filter == 0   ? 0
                                  : filter == 1 ? a
                                  : filter == 2 ? b
                                  : filter == 3 ? (a + b) / 2
                                                : Paeth(a, b, c);
            row[i] = static_cast<uint8_t>(line[1 + i] + predicted);
        }
        uint32_t* out = pixels + static_cast<std::size_t>(y) * parts.width;
        for (uint32_t x = 0; x < parts.width; ++x) {
            const uint8_t* p = &row[x * channels];
            out[x] = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
        }
        previous.swap(row);
    }
    return true;
}

PixelImage DecodePng(const uint8_t* data, std::size_t size) {
    PixelImage image;
    if (!PngSize(data, size, image.width, image.height)) return PixelImage();
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    if (!DecodePngInto(data, size, image.pixels.data(), image.pixels.size())) return PixelImage();
    return image;
}

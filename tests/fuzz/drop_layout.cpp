// A DPI and a suggested place come in a message any program can send, a stored place from the
// registry; the resizer takes whatever size they lead to.
#include <algorithm>

#include "FuzzSupport.h"
#include "ui/DropLayout.h"
#include "ui/PixelImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 20) return 0;
    const unsigned dpi = static_cast<unsigned>(ReadInt32(data));
    const int32_t start = ReadInt32(data + 4), length = ReadInt32(data + 8), logical = ReadInt32(data + 12),
                  end = ReadInt32(data + 16);
    const unsigned usable = UsableDpi(dpi);
    FUZZ_CHECK(usable >= MIN_DPI && usable <= MAX_DPI);
    const LayoutSize window = ScaleToDpi(SKIN_SIZE, dpi);
    FUZZ_CHECK(window.width >= SKIN_SIZE.width / 2 && window.width <= SKIN_SIZE.width * 5);
    const int scale = SkinScaleFor(dpi);
    FUZZ_CHECK(std::find(std::begin(SKIN_SCALES), std::end(SKIN_SCALES), scale) != std::end(SKIN_SCALES));
    if (scale < SKIN_SCALES[std::size(SKIN_SCALES) - 1]) FUZZ_CHECK(SkinSizeAtScale(scale).width >= window.width);

    const int32_t kept = KeepGrowthInside(start, length, logical, end);
    const int64_t back = static_cast<int64_t>(start) - kept;
    FUZZ_CHECK(back >= 0);
    FUZZ_CHECK(back <= std::max<int64_t>(0, static_cast<int64_t>(length) - logical) || kept == INT32_MIN);

    // A small picture from the rest of the input, resized to a size taken from it.
    if (size < 24) return 0;
    PixelImage source;
    source.width = data[20] % 8 + 1;
    source.height = data[21] % 8 + 1;
    const int width = data[22] % 24, height = data[23] % 24;
    for (int i = 0; i < source.width * source.height; ++i) {
        const std::size_t at = 24 + 4 * static_cast<std::size_t>(i);
        source.pixels.push_back(at + 3 < size ? static_cast<uint32_t>(ReadInt32(data + at)) : 0x00A0B0C0u);
    }
    const PixelImage out = ResizePixels(source, width, height);
    FUZZ_CHECK(out.Valid() == (width > 0 && height > 0));
    if (!out.Valid()) return 0;
    // No channel leaves the range of the source's values.
    for (int channel = 0; channel < 4; ++channel) {
        uint32_t low = 255, high = 0;
        for (uint32_t p : source.pixels) {
            low = std::min(low, (p >> (8 * channel)) & 0xFF);
            high = std::max(high, (p >> (8 * channel)) & 0xFF);
        }
        for (uint32_t p : out.pixels) {
            const uint32_t value = (p >> (8 * channel)) & 0xFF;
            FUZZ_CHECK(value >= low && value <= high);
        }
    }
    return 0;
}

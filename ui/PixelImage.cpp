#include "ui/PixelImage.h"

#include <algorithm>
#include <cmath>

namespace {

struct Tap {
    int index;
    double weight;
};

// For each of `to` target pixels on one axis, the source pixels (of `from`) it covers and the
// share of it each covers; the shares of one target pixel add up to 1.
std::vector<std::vector<Tap>> AreaTaps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int t = 0; t < to; ++t) {
        const double begin = t * step, end = (t + 1) * step;
        for (int s = static_cast<int>(std::floor(begin)); s < from && s < end; ++s) {
            const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            if (covered > 1e-12) taps[static_cast<size_t>(t)].push_back({s, covered / step});
        }
    }
    return taps;
}

uint32_t Channel(uint32_t pixel, int channel) { return (pixel >> (8 * channel)) & 0xFF; }

}  // namespace

PixelImage ResizePixels(const PixelImage& source, int width, int height) {
    PixelImage out;
    if (!source.Valid() || width <= 0 || height <= 0 || width > MAX_RESIZE_SIDE || height > MAX_RESIZE_SIDE)
        return out;
    out.width = width;
    out.height = height;
    if (width == source.width && height == source.height) {
        out.pixels = source.pixels;
        return out;
    }
    const std::vector<std::vector<Tap>> across = AreaTaps(source.width, width), down = AreaTaps(source.height, height);
    // Across first, into four channels of doubles for every source row.
    std::vector<double> rows(static_cast<size_t>(source.height) * width * 4, 0.0);
    for (int y = 0; y < source.height; ++y) {
        const uint32_t* line = &source.pixels[static_cast<size_t>(y) * source.width];
        double* target = &rows[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x)
            for (const Tap& tap : across[static_cast<size_t>(x)])
                for (int c = 0; c < 4; ++c) target[x * 4 + c] += tap.weight * Channel(line[tap.index], c);
    }
    out.pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (const Tap& tap : down[static_cast<size_t>(y)])
                for (int c = 0; c < 4; ++c)
                    sum[c] += tap.weight * rows[(static_cast<size_t>(tap.index) * width + x) * 4 + c];
            uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                const long value = std::lround(std::min(255.0, std::max(0.0, sum[c])));
                pixel |= static_cast<uint32_t>(value) << (8 * c);
            }
            out.pixels[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    return out;
}

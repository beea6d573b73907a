// A picture as plain pixels and its resizing. No windows.h: tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// 32 bits a pixel, four 8-bit channels (as a 32 bpp DIB holds them), rows top first.
struct PixelImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    bool Valid() const {
        return width > 0 && height > 0 &&
               pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
};

// `source` resized to `width` × `height` with a box filter: each pixel is the average of the
// source area it covers. A reduction keeps every source pixel's share of the picture, and an
// enlargement by a whole factor repeats each pixel exactly. Empty when the source is not
// valid or the size is not positive (or beyond MAX_RESIZE_SIDE).
PixelImage ResizePixels(const PixelImage& source, int width, int height);

constexpr int MAX_RESIZE_SIDE = 4096;

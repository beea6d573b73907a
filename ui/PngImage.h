// The skin's PNG images, read without the system's image codecs: loading those took more start-up
// time and memory than the frames themselves. No windows.h: tested natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/PixelImage.h"

// An 8-bit RGB or RGBA PNG, not interlaced (what res/tools writes), as 0x00RRGGBB pixels; the
// alpha channel is dropped. Anything else, or a damaged image (its data checksum is checked), gives
// an empty picture; so does one larger than MAX_RESIZE_SIDE on a side or 4 Mpixels in all.
PixelImage DecodePng(const uint8_t* data, std::size_t size);

// The same in two steps, so that the pixels can go straight where they are wanted: the size of an
// image the reader takes (from its header alone), then the pixels into `count` of them, which
// must be width x height.
bool PngSize(const uint8_t* data, std::size_t size, int& width, int& height);
bool DecodePngInto(const uint8_t* data, std::size_t size, uint32_t* pixels, std::size_t count);

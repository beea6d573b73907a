// The skin's PNG images come from the program's own resources, but the reader takes any bytes:
// a damaged or foreign image must give an empty picture, never a read or write out of bounds.
#include "FuzzSupport.h"
#include "ui/PngImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const PixelImage image = DecodePng(data, size);
    if (!image.pixels.empty()) FUZZ_CHECK(image.Valid());
    for (uint32_t pixel : image.pixels) FUZZ_CHECK((pixel >> 24) == 0);
    return 0;
}

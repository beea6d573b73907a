#include "ui/SkinFrames.h"

#include <cstring>

#include "res/resource.h"
#include "ui/PixelImage.h"
#include "ui/PngImage.h"

namespace {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A 100 % frame's pixels, read through a DIB section so that they are exactly the resource's.
PixelImage BitmapPixels(HINSTANCE resources, int id) {
    PixelImage image;
    OwnedBitmap bitmap(
        static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP facts;
    if (!bitmap || !GetObjectW(bitmap.Get(), sizeof facts, &facts) || facts.bmWidth <= 0 || facts.bmHeight <= 0 ||
        facts.bmWidth > MAX_RESIZE_SIDE || facts.bmHeight > MAX_RESIZE_SIDE)
        return image;
    image.pixels.resize(static_cast<size_t>(facts.bmWidth) * facts.bmHeight);
    BITMAPINFO info = TopDown32(facts.bmWidth, facts.bmHeight);
    OwnedMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.Get(), bitmap.Get(), 0, static_cast<UINT>(facts.bmHeight), image.pixels.data(), &info,
                         DIB_RGB_COLORS) != facts.bmHeight)
        return PixelImage();
    image.width = facts.bmWidth;
    image.height = facts.bmHeight;
    return image;
}

HBITMAP NewBitmap(int width, int height, uint32_t*& bits) {
    BITMAPINFO info = TopDown32(width, height);
    void* memory = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    bits = static_cast<uint32_t*>(memory);
    return bits ? bitmap.Release() : nullptr;
}

HBITMAP BitmapOf(const PixelImage& image) {
    uint32_t* bits = nullptr;
    HBITMAP bitmap = image.Valid() ? NewBitmap(image.width, image.height, bits) : nullptr;
    if (bitmap) std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
    return bitmap;
}

// A frame from its PNG image in the resources: decoded straight into the bitmap when the image is
// `size`, the usual case, else resized; null when it is missing or cannot be read.
HBITMAP PngFrame(HINSTANCE resources, int id, LayoutSize size) {
    HRSRC found = FindResourceW(resources, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(resources, found) : nullptr;
    const uint8_t* png = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    const std::size_t bytes = found ? SizeofResource(resources, found) : 0;
    int width = 0, height = 0;
    if (!png || !PngSize(png, bytes, width, height)) return nullptr;
    if (width != size.width || height != size.height)
        return BitmapOf(ResizePixels(DecodePng(png, bytes), size.width, size.height));
    uint32_t* bits = nullptr;
    OwnedBitmap bitmap(NewBitmap(width, height, bits));
    if (!bitmap || !DecodePngInto(png, bytes, bits, static_cast<std::size_t>(width) * height)) return nullptr;
    return bitmap.Release();
}

}  // namespace

void LoadSkinFrames(HINSTANCE resources, UINT dpi, LayoutSize size, OwnedBitmap (&frames)[SKIN_CYCLE_FRAMES]) {
    const int scale = SkinScaleFor(dpi);
    const LayoutSize native = SkinSizeAtScale(scale);
    const bool exact = native.width == size.width && native.height == size.height;
    for (int i = 0; i < SKIN_CYCLE_FRAMES; ++i) {
        if (scale == SKIN_SCALES[0] && exact) {
            // As they are: a bitmap compatible with the screen, as LoadBitmap makes it.
            frames[i].Reset(static_cast<HBITMAP>(
                LoadImageW(resources, MAKEINTRESOURCEW(IDB_SKIN_FRAME0 + i), IMAGE_BITMAP, 0, 0, 0)));
            continue;
        }
        HBITMAP frame = scale != SKIN_SCALES[0] ? PngFrame(resources, IDR_SKIN_PNG(scale, i), size) : nullptr;
        // The 100 % frame made to size, when it is the one that serves or the PNG could not be read.
        if (!frame)
            frame = BitmapOf(ResizePixels(BitmapPixels(resources, IDB_SKIN_FRAME0 + i), size.width, size.height));
        frames[i].Reset(frame);
    }
}

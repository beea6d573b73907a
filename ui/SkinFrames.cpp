#include "ui/SkinFrames.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>

#include "agent/ComPtr.h"
#include "res/resource.h"
#include "ui/PixelImage.h"

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
    OwnedBitmap bitmap(static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
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

// A PNG image from the resources, decoded with WIC; empty when anything fails.
PixelImage PngPixels(IWICImagingFactory* factory, HINSTANCE resources, int id) {
    PixelImage image;
    HRSRC found = FindResourceW(resources, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(resources, found) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(resources, found) : 0;
    if (!factory || !bytes || size == 0) return image;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(factory->CreateStream(stream.Put())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put())) ||
        FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(factory->CreateFormatConverter(converter.Put())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > MAX_RESIZE_SIDE ||
        height > MAX_RESIZE_SIDE)
        return image;
    image.pixels.resize(static_cast<size_t>(width) * height);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(image.pixels.data()))))
        return PixelImage();
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    return image;
}

HBITMAP BitmapOf(const PixelImage& image) {
    if (!image.Valid()) return nullptr;
    BITMAPINFO info = TopDown32(image.width, image.height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
    return bitmap;
}

}  // namespace

void LoadSkinFrames(HINSTANCE resources, UINT dpi, LayoutSize size, OwnedBitmap (&frames)[SKIN_CYCLE_FRAMES]) {
    const int scale = SkinScaleFor(dpi);
    const LayoutSize native = SkinSizeAtScale(scale);
    const bool exact = native.width == size.width && native.height == size.height;
    ComPtr<IWICImagingFactory> factory;
    if (scale != SKIN_SCALES[0])
        CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         factory.PutVoid());
    for (int i = 0; i < SKIN_CYCLE_FRAMES; ++i) {
        if (scale == SKIN_SCALES[0] && exact) {
            // As they are: a bitmap compatible with the screen, as LoadBitmap makes it.
            frames[i].Reset(static_cast<HBITMAP>(LoadImageW(resources, MAKEINTRESOURCEW(IDB_SKIN_FRAME0 + i), IMAGE_BITMAP, 0, 0, 0)));
            continue;
        }
        PixelImage image;
        if (scale != SKIN_SCALES[0]) image = PngPixels(factory.Get(), resources, IDR_SKIN_PNG(scale, i));
        if (!image.Valid()) image = BitmapPixels(resources, IDB_SKIN_FRAME0 + i);
        frames[i].Reset(BitmapOf(ResizePixels(image, size.width, size.height)));
    }
}

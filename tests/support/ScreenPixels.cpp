#include "tests/support/ScreenPixels.h"

#include "tests/support/Files.h"
#include "tests/support/Owned.h"

Pixels ReadPixels(HDC source, int x, int y, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    OwnedBitmap dib(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    OwnedMemoryDc memory(CreateCompatibleDC(source));
    if (!dib || !memory) return {};
    {
        SelectedObject selected(memory.Get(), dib.Get());
        BitBlt(memory.Get(), 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
    }
    Pixels pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + width * height);
    for (uint32_t& p : pixels) p &= 0x00FFFFFF;
    return pixels;
}

Pixels CaptureClient(HWND window, int width, int height) {
    WindowDc dc(window);
    return ReadPixels(dc.Get(), 0, 0, width, height);
}

void DrawSkin(HDC canvas, HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2) {
    OwnedBitmap skin(LoadBitmapA(resources, MAKEINTRESOURCEA(bitmapId)));
    OwnedMemoryDc frame(CreateCompatibleDC(canvas));
    {
        SelectedObject selected(frame.Get(), skin.Get());
        BitBlt(canvas, 0, 0, SKIN_WIDTH, SKIN_HEIGHT, frame.Get(), 0, 0, SRCCOPY);
    }
    OwnedFont font(CreateFontW(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial Narrow"));
    SelectedObject selected(canvas, font.Get());
    RECT first = {2, 54, 108, 68}, second = {2, 67, 108, 80};
    DrawTextW(canvas, FromUtf8(line1).c_str(), -1, &first, DT_CENTER);
    DrawTextW(canvas, FromUtf8(line2).c_str(), -1, &second, DT_CENTER);
}

Pixels SkinPixels(HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2) {
    if (!FindResourceA(resources, MAKEINTRESOURCEA(bitmapId), MAKEINTRESOURCEA(2) /* RT_BITMAP */)) return {};
    WindowDc screen(nullptr);
    OwnedMemoryDc canvas(CreateCompatibleDC(screen.Get()));
    OwnedBitmap target(CreateCompatibleBitmap(screen.Get(), SKIN_WIDTH, SKIN_HEIGHT));
    SelectedObject selected(canvas.Get(), target.Get());
    DrawSkin(canvas.Get(), resources, bitmapId, line1, line2);
    return ReadPixels(canvas.Get(), 0, 0, SKIN_WIDTH, SKIN_HEIGHT);
}

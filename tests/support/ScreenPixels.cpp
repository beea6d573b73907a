#include "tests/support/ScreenPixels.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "ui/DisplayDpi.h"
#include "ui/StatusLines.h"

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

Pixels CaptureClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    WindowDc dc(window);
    return ReadPixels(dc.Get(), 0, 0, client.right, client.bottom);
}

void DrawSkin(HDC canvas, HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2) {
    OwnedBitmap skin(LoadBitmapW(resources, MAKEINTRESOURCEW(bitmapId)));
    OwnedMemoryDc frame(CreateCompatibleDC(canvas));
    {
        SelectedObject selected(frame.Get(), skin.Get());
        BitBlt(canvas, 0, 0, SKIN_SIZE.width, SKIN_SIZE.height, frame.Get(), 0, 0, SRCCOPY);
    }
    StatusLines status;
    status.SetDpi(LOGICAL_DPI);
    status.statusLine1 = FromUtf8(line1);
    status.statusLine2 = FromUtf8(line2);
    status.Draw(canvas);
}

Pixels SkinPixels(HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2) {
    if (!FindResourceW(resources, MAKEINTRESOURCEW(bitmapId), MAKEINTRESOURCEW(2) /* RT_BITMAP */)) return {};
    WindowDc screen(nullptr);
    OwnedMemoryDc canvas(CreateCompatibleDC(screen.Get()));
    OwnedBitmap target(CreateCompatibleBitmap(screen.Get(), SKIN_SIZE.width, SKIN_SIZE.height));
    SelectedObject selected(canvas.Get(), target.Get());
    DrawSkin(canvas.Get(), resources, bitmapId, line1, line2);
    return ReadPixels(canvas.Get(), 0, 0, SKIN_SIZE.width, SKIN_SIZE.height);
}

namespace {

constexpr int BLOCK = 4;

// The average of each colour channel over [left, right) x [top, bottom) of a picture `width` wide.
void Average(const Pixels& pixels, int width, int left, int top, int right, int bottom, double out[3]) {
    double sum[3] = {0, 0, 0};
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += (pixels[static_cast<size_t>(y) * width + x] >> (8 * c)) & 0xFF;
    const double count = static_cast<double>(right - left) * (bottom - top);
    for (int c = 0; c < 3; ++c) out[c] = count > 0 ? sum[c] / count : 0;
}

}  // namespace

int BlocksUnlike100Percent(const Pixels& logical, const Pixels& scaled, LayoutSize size, unsigned dpi) {
    const int across = SKIN_SIZE.width / BLOCK, down = SKIN_SIZE.height / BLOCK;
    const LayoutSize wanted = ScaleToDpi(SKIN_SIZE, dpi);
    if (logical.size() != static_cast<size_t>(SKIN_SIZE.width) * SKIN_SIZE.height || size.width != wanted.width ||
        size.height != wanted.height || scaled.size() != static_cast<size_t>(size.width) * size.height)
        return across * down;
    int unlike = 0;
    for (int by = 0; by < down; ++by) {
        const int top = by * BLOCK, bottom = top + BLOCK;
        if (bottom > STATUS_BAND.top && top < STATUS_BAND.bottom) continue;
        for (int bx = 0; bx < across; ++bx) {
            const int left = bx * BLOCK, right = left + BLOCK;
            double a[3], b[3];
            Average(logical, SKIN_SIZE.width, left, top, right, bottom, a);
            Average(scaled, size.width, ScaleToDpi(left, dpi), ScaleToDpi(top, dpi), ScaleToDpi(right, dpi),
                    ScaleToDpi(bottom, dpi), b);
            for (int c = 0; c < 3; ++c) {
                if (std::abs(a[c] - b[c]) > SCALED_BLOCK_TOLERANCE) {
                    ++unlike;
                    break;
                }
            }
        }
    }
    return unlike;
}

RECT DifferenceBounds(const Pixels& a, const Pixels& b, int width) {
    RECT bounds = {width, 0x7FFFFFFF, 0, 0};
    bool any = false;
    for (size_t i = 0; i < a.size() && i < b.size() && width > 0; ++i) {
        if (a[i] == b[i]) continue;
        const LONG x = static_cast<LONG>(i % width), y = static_cast<LONG>(i / width);
        bounds = {std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                  std::max(bounds.bottom, y + 1)};
        any = true;
    }
    return any ? bounds : RECT{0, 0, 0, 0};
}

bool SaveBitmap(const Pixels& pixels, int width, int height, const std::string& path) {
    if (pixels.size() != static_cast<size_t>(width) * height) return false;
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom row first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = rowBytes * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int row = height - 1; row >= 0; --row) {
        std::string line(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[row * width + x];
            line[x * 3] = static_cast<char>(p & 0xFF);
            line[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
            line[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        bytes += line;
    }
    return WriteBytes(path, bytes);
}

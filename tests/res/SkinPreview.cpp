// Draws the four skin frames side by side with sample status lines, the way the drop window
// paints them (the tests' own picture of it), into a 24 bpp .bmp file named on the command line.
// A tool for looking at the skin, not a test.
#include <windows.h>

#include <cstdio>

#include "res/resource.h"
#include "tests/support/Owned.h"
#include "tests/support/ScreenPixels.h"

namespace {

constexpr int WIDTH = SKIN_SIZE.width, HEIGHT = SKIN_SIZE.height, GAP = 6;

struct Lines {
    const char* first;
    const char* second;
};

const Lines SAMPLES[] = {
    {"Uploading ...ng name.mp3", "40% done (2 to go)"},
    {"Drop music files here", "Signed in as listener@example.com"},
    {"", ""},
};

bool WriteBitmap(const char* path, const BITMAPINFOHEADER& header, const void* bits) {
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
              std::fwrite(bits, header.biSizeImage, 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_preview out.bmp\n");
        return 2;
    }
    const int columns = 4, rows = static_cast<int>(sizeof SAMPLES / sizeof SAMPLES[0]);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = GAP + columns * (WIDTH + GAP);
    header.biHeight = GAP + rows * (HEIGHT + GAP);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = ((header.biWidth * 3 + 3) & ~3) * header.biHeight;

    void* bits = nullptr;
    const OwnedMemoryDc canvas(CreateCompatibleDC(nullptr));
    const OwnedBitmap sheet(
        CreateDIBSection(canvas.Get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!sheet) return 1;
    const SelectedObject selected(canvas.Get(), sheet.Get());
    RECT all = {0, 0, header.biWidth, header.biHeight};
    const OwnedHandle<HBRUSH, DeleteGdiObject> desk(CreateSolidBrush(RGB(58, 110, 165)));
    FillRect(canvas.Get(), &all, desk.Get());

    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            POINT origin;
            SetViewportOrgEx(canvas.Get(), GAP + column * (WIDTH + GAP), GAP + row * (HEIGHT + GAP), &origin);
            DrawSkin(canvas.Get(), GetModuleHandleA(nullptr), IDB_SKIN_FRAME0 + column, SAMPLES[row].first,
                     SAMPLES[row].second);
            SetViewportOrgEx(canvas.Get(), origin.x, origin.y, nullptr);
        }
    }
    GdiFlush();
    const bool written = WriteBitmap(argv[1], header, bits);
    return written ? 0 : 1;
}

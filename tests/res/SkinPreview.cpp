// Draws the four skin frames side by side with sample status lines, the way the drop window
// paints them (same rectangles, font and DrawText call), into a 24 bpp .bmp file named on the
// command line. A tool for looking at the skin, not a test.
#include <windows.h>

#include <cstdio>

#include "res/resource.h"

namespace {

constexpr int WIDTH = 116, HEIGHT = 96, GAP = 6;

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
    HDC canvas = CreateCompatibleDC(nullptr);
    HBITMAP sheet = CreateDIBSection(canvas, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!sheet) return 1;
    HGDIOBJ oldSheet = SelectObject(canvas, sheet);
    RECT all = {0, 0, header.biWidth, header.biHeight};
    HBRUSH desk = CreateSolidBrush(RGB(58, 110, 165));
    FillRect(canvas, &all, desk);
    DeleteObject(desk);

    HDC frameDc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Narrow");
    HGDIOBJ oldFont = SelectObject(canvas, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(canvas, sizeof face, face);
    std::printf("status font: %s\n", face);

    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            int x = GAP + column * (WIDTH + GAP), y = GAP + row * (HEIGHT + GAP);
            HBITMAP frame = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_FRAME0 + column));
            HGDIOBJ old = SelectObject(frameDc, frame);
            BitBlt(canvas, x, y, WIDTH, HEIGHT, frameDc, 0, 0, SRCCOPY);
            SelectObject(frameDc, old);
            DeleteObject(frame);

            // The window's default DC state: black text on an opaque white background.
            POINT origin;
            SetViewportOrgEx(canvas, x, y, &origin);
            RECT first = {2, 54, 108, 68}, second = {2, 67, 108, 80};
            DrawTextA(canvas, SAMPLES[row].first, -1, &first, DT_CENTER);
            DrawTextA(canvas, SAMPLES[row].second, -1, &second, DT_CENTER);
            SetViewportOrgEx(canvas, origin.x, origin.y, nullptr);
        }
    }
    GdiFlush();
    bool written = WriteBitmap(argv[1], header, bits);

    SelectObject(canvas, oldFont);
    DeleteObject(font);
    SelectObject(canvas, oldSheet);
    DeleteObject(sheet);
    DeleteDC(frameDc);
    DeleteDC(canvas);
    return written ? 0 : 1;
}

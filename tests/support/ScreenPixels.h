// Pixels read from a DC, and the drop window's picture as it should look, for comparisons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/DropLayout.h"

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, top row first

Pixels ReadPixels(HDC source, int x, int y, int width, int height);
// The client area of a window of this process, whole.
Pixels CaptureClient(HWND window);

// Draws the skin bitmap `bitmapId` of `resources` at the DC's origin, with the two status lines
// over it as the drop window's StatusLines draws them at 100 % (the skin comes from the resource
// itself, not from the window's frames). The lines in UTF-8.
void DrawSkin(HDC canvas, HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2);
// The same picture as pixels; empty when the bitmap is not there.
Pixels SkinPixels(HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2);

// How many blocks of 4 x 4 logical pixels outside the status band differ, in some channel's
// average by more than SCALED_BLOCK_TOLERANCE, between the 100 % picture and `scaled`, a picture
// of `size` at `dpi` (each block there covers the block's scaled area). A picture of another size
// than the scale's counts every block.
int BlocksUnlike100Percent(const Pixels& logical, const Pixels& scaled, LayoutSize size, unsigned dpi);
// The skin at another scale is drawn afresh, so the fine shapes' edges differ a little (by 5 at
// most under Wine at 125 to 300 %); another frame or a picture out of place differs by far more.
constexpr int SCALED_BLOCK_TOLERANCE = 12;
// The smallest rectangle that holds every pixel in which two pictures of that width differ
// (empty when none does).
RECT DifferenceBounds(const Pixels& a, const Pixels& b, int width);

// Saves pixels of `width` x `height` as a 24-bit BMP (a picture of a failure, or for the docs).
bool SaveBitmap(const Pixels& pixels, int width, int height, const std::string& path);

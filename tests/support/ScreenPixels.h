// Pixels read from a DC, and the drop window's picture as it should look, for comparisons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, top row first

constexpr int SKIN_WIDTH = 116, SKIN_HEIGHT = 96;

Pixels ReadPixels(HDC source, int x, int y, int width, int height);
// The client area of a window of this process.
Pixels CaptureClient(HWND window, int width = SKIN_WIDTH, int height = SKIN_HEIGHT);

// Draws the skin bitmap `bitmapId` of `resources` at the DC's origin, with the two status lines
// over it the way the drop window draws them: its rectangles, its font, its DrawText call.
// The lines in UTF-8.
void DrawSkin(HDC canvas, HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2);
// The same picture as pixels; empty when the bitmap is not there.
Pixels SkinPixels(HMODULE resources, int bitmapId, const std::string& line1, const std::string& line2);

// Reading what a DC shows, for pixel comparisons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The area's pixels as 0x00RRGGBB, top row first.
std::vector<uint32_t> ReadPixels(HDC source, int x, int y, int width, int height);

// The drop window's geometry, named once, in logical pixels: those of a 96 DPI (100 %)
// display. Every length is scaled by dpi / 96 for the display the window is on. No windows.h:
// the native tests check the arithmetic.
#pragma once

#include <cstdint>

struct LayoutSize {
    int width, height;
};
struct LayoutRect {
    int left, top, right, bottom;
};

constexpr unsigned LOGICAL_DPI = 96;
// What a DPI from outside (a message, a system call) is held to: 50 % to 500 %.
constexpr unsigned MIN_DPI = LOGICAL_DPI / 2, MAX_DPI = LOGICAL_DPI * 5;

// The skin: the window is exactly one frame. Frames 0..SKIN_CYCLE_FRAMES-1 animate; the
// last of SKIN_FRAMES is a spare angle that is never shown.
constexpr LayoutSize SKIN_SIZE = {116, 96};
constexpr int SKIN_FRAMES = 4;
constexpr int SKIN_CYCLE_FRAMES = 3;
// The scales, in percent, at which the skin is drawn. The first is kept as bitmaps, the others
// as PNG images; the smallest one at least as large as the display's is chosen.
constexpr int SKIN_SCALES[] = {100, 125, 150, 175, 200, 250, 300};

// The two status lines (DrawText rectangles: they share a row) and the light panel under them.
constexpr LayoutRect STATUS_LINE1 = {2, 54, 108, 68};
constexpr LayoutRect STATUS_LINE2 = {2, 67, 108, 80};
constexpr int STATUS_FONT_HEIGHT = 10;  // character height
constexpr LayoutRect STATUS_BAND = {0, 50, SKIN_SIZE.width, 86};

// A stored place that lacks a coordinate takes this far left of and above the lower right
// corner of the full-screen client area.
constexpr LayoutSize DEFAULT_PLACE_INSET = {110, 90};

// A DPI from outside, held to MIN_DPI..MAX_DPI; 0 (unknown) gives LOGICAL_DPI.
unsigned UsableDpi(unsigned dpi);
// A logical length in pixels at `dpi`, rounded to the nearest (halves away from zero).
int ScaleToDpi(int logical, unsigned dpi);
LayoutSize ScaleToDpi(LayoutSize logical, unsigned dpi);
LayoutRect ScaleToDpi(LayoutRect logical, unsigned dpi);

// The scale (one of SKIN_SCALES) whose frames serve a display of `dpi`: the smallest at least
// as large, or the largest.
int SkinScaleFor(unsigned dpi);
// The size of the frames drawn at `scale` percent.
LayoutSize SkinSizeAtScale(int scale);

// The left (or top) edge for a window that starts at `start` and is `size` long on an axis where
// its monitor's work area ends at `workEnd`. A window larger than its logical size has grown from
// its stored corner, which may have been saved at a lower scale: by as much as it now reaches
// past the end, up to all it grew, it moves back, so that it ends where the window at its
// logical size would, or at the end. Safe for any values.
int32_t KeepGrowthInside(int32_t start, int size, int logicalSize, int32_t workEnd);

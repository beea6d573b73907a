// The drop window's skin frames for the display it is on. Only the frames of the one scale
// that serves the DPI are read (ui/DropLayout.h): the 100 % bitmaps or one scale's PNG images.
// Each frame is made exactly the window's size: from a larger scale by box filtering, never by
// dropping pixels.
#pragma once

#include <windows.h>

#include "ui/DropLayout.h"
#include "win/OwnedHandle.h"

// The cycle's frames at `dpi`, each `size` pixels. A frame whose image cannot be read is made
// from its 100 % bitmap instead; one that has neither stays null and is not painted.
void LoadSkinFrames(HINSTANCE resources, UINT dpi, LayoutSize size, OwnedBitmap (&frames)[SKIN_CYCLE_FRAMES]);

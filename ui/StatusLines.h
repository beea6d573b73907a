// The two status lines drawn over the skin.
#pragma once

#include <string>

#include "ui/OwnedHandle.h"

class StatusLines {
public:
    // Makes the font and the rectangles for a display of `dpi` dots per inch; until then
    // nothing is drawn.
    void SetDpi(UINT dpi);

    // Draws both lines with the status font, centred in their rectangles.
    void Draw(HDC dc) const;

    std::wstring statusLine1;
    std::wstring statusLine2;
    OwnedFont statusFont;
    RECT line1Rect = {0, 0, 0, 0}, line2Rect = {0, 0, 0, 0};
};

// The two status lines drawn over the skin.
#pragma once

#include <string>

#include "win/OwnedHandle.h"

class StatusLines {
public:
    // Makes the font and the rectangles for a display of `dpi` dots per inch; until then
    // nothing is drawn.
    void SetDpi(UINT dpi);

    // Draws both lines with the status font, centred in their rectangles; in high contrast
    // on a band of the system's window colour, in its window-text colour, so that they stay
    // readable whatever the skin.
    void Draw(HDC dc) const;

    std::wstring statusLine1;
    std::wstring statusLine2;
    OwnedFont statusFont;
    RECT line1Rect = {0, 0, 0, 0}, line2Rect = {0, 0, 0, 0};
    RECT bandRect = {0, 0, 0, 0};
    bool highContrast = false;
};

// Whether the user has high contrast on.
bool SystemHighContrast();

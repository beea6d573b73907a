// The two status lines drawn over the skin.
#pragma once

#include <string>

#include "ui/OwnedHandle.h"

class StatusLines {
public:
    StatusLines();

    // Draws both lines with the status font, centred in their rectangles.
    void Draw(HDC dc) const;

    std::wstring statusLine1;
    std::wstring statusLine2;
    OwnedFont statusFont;
};

extern const RECT STATUS_RECT1;
extern const RECT STATUS_RECT2;

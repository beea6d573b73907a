#include "ui/StatusLines.h"

const RECT STATUS_RECT1 = {2, 54, 108, 68};
const RECT STATUS_RECT2 = {2, 67, 108, 80};

StatusLines::StatusLines()
    : statusFont(CreateFontW(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial Narrow")) {}

void StatusLines::Draw(HDC dc) const {
    SelectedObject font(dc, statusFont.Get());
    RECT first = STATUS_RECT1, second = STATUS_RECT2;
    DrawTextW(dc, statusLine1.c_str(), -1, &first, DT_CENTER);
    DrawTextW(dc, statusLine2.c_str(), -1, &second, DT_CENTER);
}

#include "ui/StatusLines.h"

#include "ui/DisplayDpi.h"
#include "ui/DropLayout.h"

void StatusLines::SetDpi(UINT dpi) {
    statusFont.Reset(CreateFontW(-ScaleToDpi(STATUS_FONT_HEIGHT, dpi), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"Arial Narrow"));
    line1Rect = ToRect(ScaleToDpi(STATUS_LINE1, dpi));
    line2Rect = ToRect(ScaleToDpi(STATUS_LINE2, dpi));
}

void StatusLines::Draw(HDC dc) const {
    SelectedObject font(dc, statusFont.Get());
    RECT first = line1Rect, second = line2Rect;
    DrawTextW(dc, statusLine1.c_str(), -1, &first, DT_CENTER);
    DrawTextW(dc, statusLine2.c_str(), -1, &second, DT_CENTER);
}

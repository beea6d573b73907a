#include "ui/StatusLines.h"

#include "ui/DisplayDpi.h"
#include "ui/DropLayout.h"

void StatusLines::SetDpi(UINT dpi) {
    statusFont.Reset(CreateFontW(-ScaleToDpi(STATUS_FONT_HEIGHT, dpi), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"Arial Narrow"));
    line1Rect = ToRect(ScaleToDpi(STATUS_LINE1, dpi));
    line2Rect = ToRect(ScaleToDpi(STATUS_LINE2, dpi));
    bandRect = ToRect(ScaleToDpi(STATUS_BAND, dpi));
}

void StatusLines::Draw(HDC dc) const {
    SelectedObject font(dc, statusFont.Get());
    RECT first = line1Rect, second = line2Rect;
    if (highContrast) {
        FillRect(dc, &bandRect, GetSysColorBrush(COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    }
    DrawTextW(dc, statusLine1.c_str(), -1, &first, DT_CENTER);
    DrawTextW(dc, statusLine2.c_str(), -1, &second, DT_CENTER);
}

bool SystemHighContrast() {
    HIGHCONTRASTW contrast;
    ZeroMemory(&contrast, sizeof contrast);
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

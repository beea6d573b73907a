#include "tests/support/BoxRecorder.h"

#include "tests/support/Files.h"

int BoxRecorder::Record(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    boxes.push_back({owner, text ? Utf8(text) : "(null)", caption ? Utf8(caption) : "(null)", type});
    if (boxAnswers.empty()) return IDOK;
    const int answer = boxAnswers.front();
    boxAnswers.erase(boxAnswers.begin());
    return answer;
}

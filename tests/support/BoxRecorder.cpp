#include "tests/support/BoxRecorder.h"

int BoxRecorder::Record(HWND owner, const char* text, const char* caption, UINT type) {
    boxes.push_back({owner, text ? text : "(null)", caption ? caption : "(null)", type});
    if (boxAnswers.empty()) return IDOK;
    const int answer = boxAnswers.front();
    boxAnswers.erase(boxAnswers.begin());
    return answer;
}

// Message boxes a seam shows in place of the system's: each is written down (in UTF-8, to
// compare with the tests' literals) and answered.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class BoxRecorder {
public:
    // Records the box; the answer is the next of `boxAnswers`, IDOK once they have run out.
    int Record(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

    std::vector<RecordedBox> boxes;
    std::vector<int> boxAnswers;
};

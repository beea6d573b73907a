// The drop window of the real program as the X server shows it, compared with the picture the
// program's own skin bitmaps and the status font make.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/ScreenPixels.h"

// Read from the X server itself: under Wine a program's screen DC holds only its own windows.
Pixels CaptureScreen(const RECT& area);
// What the drop window looks like with skin frame `frame` (0..3) and these two status lines,
// drawn from the program's own bitmaps.
Pixels ExpectedWindow(int frame, const std::string& line1, const std::string& line2);
// Which animation frame the window at `area` shows with those lines (0..2), or -1.
int ShownFrame(const RECT& area, const std::string& line1, const std::string& line2);

// Tells which of many possible pairs of status lines the window shows, with the expected
// pictures drawn once up front rather than at every look.
class StatusMatcher {
public:
    int Add(const std::string& line1, const std::string& line2);  // the pair's index
    // The index of the pair the window at `area` shows, or -1 for none of them; `captured`
    // tells whether the screen could be read at all.
    int Match(const RECT& area, bool* captured = nullptr) const;
    const std::string& Line1(int index) const { return pairs_[index].line1; }
    const std::string& Line2(int index) const { return pairs_[index].line2; }

private:
    struct Pair {
        std::string line1, line2;
        Pixels frames[3];
    };
    std::vector<Pair> pairs_;
};

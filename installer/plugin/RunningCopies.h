// The copies of Parcelo and of its agent that run from one folder, and Parcelo asked to close.
#pragma once

#include <windows.h>

#include <string>

namespace setup {

// How many processes run <folder>\parcelo.exe or <folder>\UploadAgent.exe: their files cannot
// be replaced or removed meanwhile.
int CountRunning(const std::wstring& folder);
// How many processes run <folder>\parcelo.exe.
int CountParcelo(const std::wstring& folder);

struct CloseOutcome {
    int closed = 0;        // processes that took the request and have ended
    int ending = 0;        // processes that took it and still ran when the wait was over
    bool shown = false;    // one of those had its window shown
    std::wstring failure;  // the request that could not be made, named; empty when none
};

// Posts Exit, as Parcelo's menu does (it saves its settings on the way out), to the window of
// every Parcelo that runs from `folder`, and waits up to `waitMs` for each to end: a copy is
// closed only once its process has ended.
CloseOutcome CloseParcelo(const std::wstring& folder, DWORD waitMs);

}  // namespace setup

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
// Ends every process that runs <folder>\UploadAgent.exe, checked and ended through one handle,
// and waits for each; returns how many ended. For the Local Locker that goes on with its queue
// after Parcelo has gone: it keeps what waits on disk and takes it up again at the next sign-in,
// so ending it loses nothing, while waiting for it could keep the files from being replaced for
// minutes.
int EndAgent(const std::wstring& folder);

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

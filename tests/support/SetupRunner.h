// A setup or uninstaller run the way a user's machine runs it, and the traces such runs leave
// in a Wine prefix. A job holds the command and, when asked, everything it starts: the
// uninstaller hands over to a copy of itself and returns at once.
//
// Wine starts every process with an administrator's full token, as "Run as administrator"
// would on Windows. A setup that a user starts by a double click runs with the limited token
// instead, which Wine gives as the full token's linked token: SetupToken::Normal.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "tests/support/Owned.h"
#include "tests/support/ScopedRegValue.h"

enum class SetupToken { AsThisProcess, Normal };

struct RunResult {
    bool finished = false;  // the command (and with `wholeTree` everything it started) ended
    DWORD exitCode = 0xFFFFFFFF;
};

class SetupRun {
public:
    // TEMP and TMP of the run go to `temp`, so that what NSIS leaves there goes with that folder.
    // Without `wholeTree` only the command itself counts: a setup waits for its helpers
    // itself, and the Parcelo it starts again is meant to outlive it.
    SetupRun(const std::wstring& commandLine, const std::wstring& temp, bool wholeTree,
             SetupToken token = SetupToken::AsThisProcess);
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;
    ~SetupRun();  // what still runs of it ends with the job

    bool Started() const { return process_.Valid(); }
    DWORD Pid() const { return GetProcessId(process_.Get()); }
    // Waits for the end; past `timeoutMs` runs `beforeKill`, then ends the job.
    RunResult Wait(DWORD timeoutMs, const std::function<void()>& beforeKill = nullptr);

private:
    UniqueHandle job_, port_, process_;
};

// Under Wine, a shortcut saved in the Start menu also becomes a desktop entry and icons in the
// host user's home, outside the prefix, which no uninstaller takes back: Wine's menu builder
// is off while this lives (unless someone chose otherwise). Each new process reads the switch
// from the registry (an environment handed to CreateProcess does not reach Wine's loader).
std::optional<ScopedRegValue> MenuBuilderOff();

// NSIS's uninstaller asks for its temporary copy to be deleted at the next boot, which Wine
// records even for a plain user: drops the requests for paths that contain `marker`.
void ForgetPendingDeletes(const std::wstring& marker);

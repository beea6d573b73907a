// A Windows program that a test starts as a separate process, finds by its windows (by
// process id: parallel tests would take each other's windows) and ends by its handle.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/MessagePump.h"
#include "tests/support/Owned.h"

// The ids of the running processes with that executable name, in any case.
std::set<DWORD> ProcessesNamed(const std::string& exeName);
// How many threads the process with that id has now.
size_t ThreadsOf(DWORD pid);
// True once the process with that id has ended (or was never there), within `timeoutMs`.
bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs = WAIT_MS);
// The running processes of that executable name whose image lies in `folder` (in any, for an
// empty one), opened for SYNCHRONIZE, PROCESS_QUERY_LIMITED_INFORMATION and PROCESS_TERMINATE.
std::vector<UniqueHandle> ProcessesIn(const std::string& exeName, const std::wstring& folder);
// True once every one of them has ended, within `timeoutMs` in all.
bool AllEnded(const std::vector<UniqueHandle>& processes, DWORD timeoutMs = WAIT_MS);

class ProgramProcess {
public:
    ProgramProcess() = default;
    explicit ProgramProcess(const std::string& commandLine) { Start(commandLine); }
    explicit ProgramProcess(const std::wstring& commandLine) { Start(commandLine); }
    // A program still running here has failed its test: it must not hold up the next one.
    ~ProgramProcess() { End(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Start(const std::string& commandLine);  // a command line in the code page
    bool Start(const std::wstring& commandLine);
    // Takes over a process that something else started (a handle with SYNCHRONIZE,
    // PROCESS_QUERY_LIMITED_INFORMATION and PROCESS_TERMINATE).
    void Adopt(UniqueHandle process);
    // Ends the program by force when it still runs.
    void End();
    bool Started() const { return process_.Valid(); }
    bool Running() const;
    DWORD Pid() const { return pid_; }
    // The exit code, or 0xFFFFFFFF when the program did not end in time.
    DWORD WaitForExit(DWORD timeoutMs = WAIT_MS) const;

    // A top-level window of this process with that class (and title, when given), shown or
    // not; null when there is none.
    HWND Find(const char* className, const char* title = nullptr) const;
    // The same, waited for while this thread's messages are dispatched.
    HWND WaitForWindow(const char* className, const char* title = nullptr, DWORD timeoutMs = WAIT_MS) const;
    // Only a window that shows on the screen: a dialog or menu.
    HWND FindShown(const char* className, const char* title = nullptr) const;
    // The shown one that has a child with that text: one of several boxes of the same title.
    HWND FindShownWith(const char* className, const char* title, const std::string& childText) const;
    HWND WaitForShown(const char* className, const char* title = nullptr, DWORD timeoutMs = WAIT_MS) const;
    // Every window of this process with that class that shows, topmost first.
    std::vector<HWND> AllShown(const char* className) const;

private:
    std::vector<HWND> Search(const char* className, const char* title, bool shownOnly,
                             const std::string* childText = nullptr) const;

    UniqueHandle process_;
    DWORD pid_ = 0;
};

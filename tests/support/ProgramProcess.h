// A program that a test starts as a separate process and finds by its windows.
#pragma once

#include <windows.h>

#include <string>

// "Z:\..." for a path of this machine's file system.
std::string WindowsPath(const char* unixPath);

class ProgramProcess {
public:
    explicit ProgramProcess(std::string commandLine);
    // A program still running here has failed its test: it must not hold up the next one.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return started_; }
    bool Running() const;
    DWORD Pid() const { return info_.dwProcessId; }
    // A top-level window of this process with that class (and title, when given), or null.
    HWND Find(const char* className, const char* title = nullptr) const;
    // The same, waited for while this thread's messages are dispatched.
    HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const;
    // The exit code, or 0xFFFFFFFF when the program did not end in time.
    DWORD WaitForExit(DWORD timeoutMs) const;

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

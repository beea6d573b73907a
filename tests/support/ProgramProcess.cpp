#include "tests/support/ProgramProcess.h"

#include "tests/support/MessagePump.h"

#include <algorithm>

std::string WindowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

ProgramProcess::ProgramProcess(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_) != FALSE;
}

ProgramProcess::~ProgramProcess() {
    if (!started_) return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 15000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool ProgramProcess::Running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

HWND ProgramProcess::Find(const char* className, const char* title) const {
    if (!started_) return nullptr;
    for (HWND window = FindWindowExA(nullptr, nullptr, className, title); window;
         window = FindWindowExA(nullptr, window, className, title)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == info_.dwProcessId) return window;
    }
    return nullptr;
}


HWND ProgramProcess::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    PumpUntil([&] { return (found = Find(className, title)) != nullptr; }, timeoutMs);
    return found;
}

DWORD ProgramProcess::WaitForExit(DWORD timeoutMs) const {
    if (!started_ || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

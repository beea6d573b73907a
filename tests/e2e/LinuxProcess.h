// Linux programs on the same X display as the test (xdotool, import, a native X11 drag source),
// started through /bin/sh.
#pragma once

#include <string>

#include "tests/support/MessagePump.h"

// A file name of this process's own under /tmp, new at each call.
std::string ScratchName(const char* what);

// Runs `script` with /bin/sh; its exit code once it has finished, or -1 after `timeoutMs`.
int RunShell(const std::string& script, DWORD timeoutMs = WAIT_MS);

// A Linux program started in the background, ended by its process id.
class LinuxProcess {
public:
    explicit LinuxProcess(const std::string& commandLine);
    ~LinuxProcess() { End(); }
    LinuxProcess(const LinuxProcess&) = delete;
    LinuxProcess& operator=(const LinuxProcess&) = delete;
    int Pid() const { return pid_; }
    bool Running() const;
    void End();

private:
    std::string pidFile_;
    int pid_ = 0;
};

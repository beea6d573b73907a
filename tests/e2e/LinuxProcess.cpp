#include "tests/e2e/LinuxProcess.h"

#include <windows.h>

#include <cstdlib>

#include "tests/support/Files.h"

// Wine starts a Linux program detached, without a handle to wait on: the shell around it
// writes what the test needs to know into files under /tmp.
std::string ScratchName(const char* what) {
    static int counter = 0;
    return "/tmp/parcelo-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "." + what;
}

namespace {

bool StartShell(const std::string& script) {
    // Wine splits the command line the Windows way: the script must hold no double quote.
    if (script.find('"') != std::string::npos) return false;
    std::string line = "Z:\\bin\\sh -c \"" + script + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // For a Linux program Wine's CreateProcess gives no handles back: the record held a
    // thread "handle" of 1 and made-up ids. Closing what it held, from a record with no room
    // to spare, was followed in the optimised build by this process reading the screen's size
    // as 0 for the rest of its life; so nothing in it is closed, and it has room to spare.
    struct {
        PROCESS_INFORMATION info;
        unsigned char spare[4096];
    } record = {};
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &record.info) !=
           FALSE;
}

bool ProcessAlive(int pid) {
    // A finished child that nobody has reaped yet still has its folder, marked Z.
    const std::string stat = Contents(WindowsPath("/proc/" + std::to_string(pid) + "/stat"));
    if (stat == "(missing)" || stat.empty()) return false;
    const size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

}  // namespace

int RunShell(const std::string& script, DWORD timeoutMs) {
    const std::string done = ScratchName("done");
    if (!StartShell("( " + script + " ); echo $? > " + done + ".part; mv " + done + ".part " + done)) return -1;
    int code = -1;
    const std::string windowsDone = WindowsPath(done);
    if (PumpUntil([&] { return Exists(windowsDone); }, timeoutMs)) code = std::atoi(Contents(windowsDone).c_str());
    DeleteFileA(windowsDone.c_str());
    return code;
}

LinuxProcess::LinuxProcess(const std::string& commandLine) : pidFile_(ScratchName("pid")) {
    if (!StartShell("echo $$ > " + pidFile_ + ".part; mv " + pidFile_ + ".part " + pidFile_ + "; exec " + commandLine))
        return;
    const std::string windowsPid = WindowsPath(pidFile_);
    if (PumpUntil([&] { return Exists(windowsPid) && !Contents(windowsPid).empty(); }))
        pid_ = std::atoi(Contents(windowsPid).c_str());
    DeleteFileA(windowsPid.c_str());
}

bool LinuxProcess::Running() const { return pid_ > 0 && ProcessAlive(pid_); }

void LinuxProcess::End() {
    if (pid_ <= 0) return;
    if (ProcessAlive(pid_)) {
        RunShell("kill " + std::to_string(pid_), 5000);
        PumpUntil([&] { return !ProcessAlive(pid_); }, 5000);
    }
    pid_ = 0;
}

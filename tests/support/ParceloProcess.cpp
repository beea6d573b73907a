#include "tests/support/ParceloProcess.h"

#include "res/resource.h"
#include "tests/support/Files.h"

std::string ParceloPath() { return WindowsPath(PARCELO_EXE); }

ParceloProcess::ParceloProcess(const std::string& switches, const std::string& exe)
    : ProgramProcess("\"" + exe + "\"" + switches) {}

ParceloProcess::ParceloProcess(const std::string& switches, const std::wstring& exe)
    : ProgramProcess(L"\"" + exe + L"\"" + Wide(switches)) {}

DWORD ParceloProcess::Exit(DWORD timeoutMs) const {
    HWND window = Find("Sonavo");
    if (!window || !PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0)) return 0xFFFFFFFF;
    return WaitForExit(timeoutMs);
}

// parcelo.exe as a process of its own, started the way a shortcut starts it: its quoted path
// followed by the switches.
#pragma once

#include <string>

#include "tests/support/ProgramProcess.h"

// Z:\...\parcelo.exe of this build.
std::string ParceloPath();

class ParceloProcess : public ProgramProcess {
public:
    explicit ParceloProcess(const std::string& switches = " /showparcelo", const std::string& exe = ParceloPath());
    // An installed copy, from a folder of any name.
    ParceloProcess(const std::string& switches, const std::wstring& exe);
    // One that something else started.
    explicit ParceloProcess(UniqueHandle running) { Adopt(std::move(running)); }

    // The drop window, shown or not, once it exists.
    HWND Window(DWORD timeoutMs = WAIT_MS) const { return WaitForWindow("Sonavo", nullptr, timeoutMs); }
    // The drop window once it shows on the screen.
    HWND ShownWindow(DWORD timeoutMs = WAIT_MS) const { return WaitForShown("Sonavo", nullptr, timeoutMs); }
    // A dialog or message box of the program once it shows, by its caption.
    HWND Dialog(const char* title, DWORD timeoutMs = WAIT_MS) const { return WaitForShown("#32770", title, timeoutMs); }
    HWND Menu(DWORD timeoutMs = WAIT_MS) const { return WaitForShown("#32768", nullptr, timeoutMs); }
    // Exit, posted to the window as the menu does; the exit code, or 0xFFFFFFFF.
    DWORD Exit(DWORD timeoutMs = WAIT_MS) const;
};

// What the DLLs that only parcelo.exe imports cost a process: with the bare program's
// imports, the time from process creation to WinMain, then the time to load each DLL that
// parcelo.exe imports besides (with what it pulls in). Writes "<step> <ms>" lines.
//
//   load_probe <report file>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 2) return 2;
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG start = static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
    const ULONGLONG at = static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    // One call into each DLL the bare program imports, so that this process loads the same set.
    CoGetCurrentProcess();
    SysStringLen(nullptr);
    GetDesktopWindow();
    std::string report = "bare-imports.process-created-to-WinMain " + std::to_string((at - start) / 10000.0) + "\n";
    for (const char* name : {"gdi32.dll", "advapi32.dll", "shell32.dll"}) {
        const bool loaded = GetModuleHandleA(name) != nullptr;
        Stopwatch clock;
        LoadLibraryA(name);
        report += std::string("bare-imports.LoadLibrary(") + name + (loaded ? ",already-loaded) " : ") ") +
                  std::to_string(clock.Ms()) + "\n";
    }
    if (FILE* out = std::fopen(__argv[1], "w")) {
        std::fputs(report.c_str(), out);
        std::fclose(out);
    }
    return 0;
}

// The display scale under Wine: HKCU\Control Panel\Desktop LogPixels, which every process of the
// Wine session reads once, as it starts. A case that sets it runs alone (SCALE in parcelo_test):
// a process started meanwhile by any other test would take the scale too.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/ScopedRegValue.h"

// Processes started while the object lives run at `dpi`; the value is put back afterwards.
class ScopedDisplayScale {
public:
    explicit ScopedDisplayScale(DWORD dpi)
        : logPixels_(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", dpi) {}

private:
    ScopedRegValue logPixels_;
};

// Runs the cases of test program `exe` that `filter` names in a process of their own, told to
// expect `dpi` (RequestedTestDpi); its exit code, and in `output` what it printed. A program that
// has not ended after a minute is ended (exit code 0xFFFFFFFF).
DWORD RunTestsInNewProcess(const std::wstring& exe, const std::string& filter, UINT dpi, std::string& output);
// The DPI that a parent asked this test process to expect; 0 when it runs on its own.
UINT RequestedTestDpi();
// This test program's own path.
std::wstring ThisTestProgram();

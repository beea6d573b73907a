// Timing, summaries and the agent's control window, shared by the benchmark programs.
#pragma once

#include "tests/support/AgentScript.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        Restart();
    }
    void Restart() { QueryPerformanceCounter(&start_); }
    double Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

inline void PrintSamples(const char* label, const std::vector<double>& values) {
    std::printf("  %-28s", label);
    for (double v : values) std::printf(" %9.3f", v);
    std::printf("   median %.3f\n", Median(values));
}

// The median of Parcelo's time over the bare time of the same ABAB pair: each pair ran
// under the same load, so drift on a shared machine cancels out of it.
inline double PairedRatio(const std::vector<double>& parcelo, const std::vector<double>& bare) {
    std::vector<double> ratios;
    for (size_t i = 0; i < parcelo.size() && i < bare.size(); ++i)
        if (bare[i] > 0) ratios.push_back(parcelo[i] / bare[i]);
    return Median(ratios);
}

// One line per figure, read by run.sh: name, Parcelo's median, the bare program's median,
// and the ratio (PairedRatio for times, the ratio of the medians otherwise).
inline void PrintResult(const char* name, double parcelo, double bare, double ratio) {
    std::printf("RESULT %s %.6f %.6f %.6f\n", name, parcelo, bare, ratio);
    std::fflush(stdout);
}

inline void PrintTimes(const char* name, const std::vector<double>& parcelo, const std::vector<double>& bare) {
    PrintSamples("parcelo", parcelo);
    PrintSamples("bare", bare);
    PrintResult(name, Median(parcelo), Median(bare), PairedRatio(parcelo, bare));
}

// Waits for the agent's server process to end, so that the next client starts a new one.
inline bool WaitForAgentGone(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (HWND control; (control = AgentScript::ControlWindow()) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) {
            if (process) CloseHandle(process);
            return false;
        }
        if (process) {
            const DWORD waited = WaitForSingleObject(process, timeoutMs - spent);
            CloseHandle(process);
            if (waited != WAIT_OBJECT_0) return false;
        } else {
            Sleep(10);
        }
    }
    return true;
}

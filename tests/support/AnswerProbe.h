// How long a window takes to answer: WM_NULL sent to it from a thread of the probe's own every
// `periodMs`, each answer timed, while the probe lives.
#pragma once

#include <windows.h>

#include <vector>

#include "win/UniqueHandle.h"

class AnswerProbe {
public:
    explicit AnswerProbe(HWND window, DWORD periodMs = 50);
    AnswerProbe(const AnswerProbe&) = delete;
    AnswerProbe& operator=(const AnswerProbe&) = delete;
    ~AnswerProbe() { Stop(); }
    // The answer times, in ms; a message not answered within 10 s counts as 10 s.
    const std::vector<double>& Stop();
    double Longest() const;

private:
    static DWORD WINAPI Run(void* self);

    HWND window_;
    DWORD periodMs_;
    UniqueHandle stop_;
    UniqueHandle thread_;
    std::vector<double> answers_;
};

// The share-th smallest of the values (0.99 for the 99th percentile), 0 for none.
double Percentile(std::vector<double> values, double share);

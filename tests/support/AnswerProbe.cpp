#include "tests/support/AnswerProbe.h"

#include <algorithm>

AnswerProbe::AnswerProbe(HWND window, DWORD periodMs)
    : window_(window), periodMs_(periodMs), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_.Reset(CreateThread(nullptr, 0, &AnswerProbe::Run, this, 0, nullptr));
}

const std::vector<double>& AnswerProbe::Stop() {
    if (thread_.Valid()) {
        SetEvent(stop_.Get());
        // Its last message may be on its way to a window of this very thread: answered here, or
        // each would wait for the other until the message gives up after 10 s.
        HANDLE thread = thread_.Get();
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        thread_.Reset();
    }
    return answers_;
}

double AnswerProbe::Longest() const { return answers_.empty() ? 0.0 : *std::max_element(answers_.begin(), answers_.end()); }

DWORD WINAPI AnswerProbe::Run(void* self) {
    auto* probe = static_cast<AnswerProbe*>(self);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    while (WaitForSingleObject(probe->stop_.Get(), probe->periodMs_) == WAIT_TIMEOUT) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(probe->window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        QueryPerformanceCounter(&end);
        probe->answers_.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                                  static_cast<double>(frequency.QuadPart));
    }
    return 0;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(share * static_cast<double>(values.size()) + 0.999999);
    return values[at == 0 ? 0 : at - 1];
}

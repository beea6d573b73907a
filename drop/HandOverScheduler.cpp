#include "drop/HandOverScheduler.h"

#include <chrono>
#include <utility>

bool HandOverScheduler::Append(DropBatch batch) {
    if (!queue_.Append(std::move(batch))) return false;
    Schedule();
    return true;
}

void HandOverScheduler::PutFirst(HeldWork work) {
    if (queue_.PutFirst(std::move(work))) Schedule();
}

// Posted messages are taken before input, painting and timers: while any of those waits,
// the next slice goes behind them on a timer.
void HandOverScheduler::Schedule() {
    if (scheduled_ || !window_) return;
    scheduled_ = true;
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0)
        SetTimer(window_, HAND_OVER_TIMER_ID, USER_TIMER_MINIMUM, nullptr);
    else
        PostMessageW(window_, HandOverMessage, 0, 0);
}

void HandOverScheduler::ScheduleLater() {
    scheduled_ = true;
    SetTimer(window_, HAND_OVER_TIMER_ID, HAND_OVER_WAIT_MS, nullptr);
}

void HandOverScheduler::Run(bool ready) {
    if (!window_) return;
    KillTimer(window_, HAND_OVER_TIMER_ID);
    scheduled_ = false;
    if (!ready) {
        ScheduleLater();
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(HAND_OVER_SLICE_MS);
    // Whatever else waits goes first: above all the drag source's last calls after the drop,
    // which would otherwise wait for the slice, and the user's input. Looked at once a
    // millisecond: asking the system costs more than a step does with a quick agent.
    Clock::time_point nextLook = Clock::now();
    auto goOn = [end, &nextLook] {
        const Clock::time_point now = Clock::now();
        if (now >= end) return false;
        if (now < nextLook) return true;
        nextLook = now + std::chrono::milliseconds(1);
        return HIWORD(GetQueueStatus(QS_ALLINPUT | QS_ALLPOSTMESSAGE)) == 0;
    };
    if (!queue_.RunSlice(receiver_, goOn)) return;
    if (queue_.Waiting()) ScheduleLater();
    else Schedule();
}

void HandOverScheduler::Stop() {
    if (window_) KillTimer(window_, HAND_OVER_TIMER_ID);
    queue_.Clear();
    window_ = nullptr;
    scheduled_ = false;
}

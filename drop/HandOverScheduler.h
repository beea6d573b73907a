// When the window hands the dropped items over: a slice of calls at a time, from a posted
// message, or from a timer while input, painting or timers wait, so that a long hand-over
// never starves the user; a little later while the queue waits for something slow.
#pragma once

#include <windows.h>

#include "drop/HandOverQueue.h"

constexpr UINT HandOverMessage = WM_USER + 105;
constexpr UINT HAND_OVER_TIMER_ID = 13;
constexpr unsigned HAND_OVER_SLICE_MS = 25;
constexpr UINT HAND_OVER_WAIT_MS = 50;  // between looks at what the queue waits for

class HandOverScheduler {
public:
    HandOverScheduler(HandOverQueue& queue, ItemReceiver& receiver) : queue_(queue), receiver_(receiver) {}
    HandOverScheduler(const HandOverScheduler&) = delete;
    HandOverScheduler& operator=(const HandOverScheduler&) = delete;

    // The window that receives HandOverMessage and the timer.
    void SetWindow(HWND window) { window_ = window; }
    // Work joins the queue: a drop at its end (false for one that holds nothing), or what
    // waited for a sign-in at its front.
    bool Append(DropBatch batch);
    void PutFirst(HeldWork work);
    // HandOverMessage or the timer came: one slice, unless `ready` is false (the agent is
    // being connected), in which case the slice comes later.
    void Run(bool ready);
    // The window goes: nothing more runs, and what has not gone yet goes with the program.
    void Stop();

private:
    void Schedule();
    void ScheduleLater();

    HandOverQueue& queue_;
    ItemReceiver& receiver_;
    HWND window_ = nullptr;
    bool scheduled_ = false;
};

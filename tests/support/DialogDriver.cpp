#include "tests/support/DialogDriver.h"

#include <gtest/gtest.h>

#include "tests/support/WindowFacts.h"

namespace {

DialogDriver* g_driver = nullptr;
constexpr UINT_PTR STEP_TIMER_ID = 0x5151;

}  // namespace

DialogDriver::DialogDriver(std::vector<Step> steps, OnInit onInit)
    : steps_(std::move(steps)), onInit_(std::move(onInit)) {
    g_driver = this;
    hook_.Reset(SetWindowsHookExA(WH_CALLWNDPROCRET, &DialogDriver::Hook, nullptr, GetCurrentThreadId()));
}

DialogDriver::~DialogDriver() {
    hook_.Reset();
    g_driver = nullptr;
    EXPECT_EQ(next_, steps_.size()) << "the dialog ended before its script did";
}

LRESULT CALLBACK DialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_driver && sent->message == WM_INITDIALOG && ClassNameOf(sent->hwnd) == "#32770") {
        g_driver->owners.push_back(GetWindow(sent->hwnd, GW_OWNER));
        if (g_driver->onInit_) g_driver->onInit_(sent->hwnd, sent->lResult);
        SetTimer(sent->hwnd, STEP_TIMER_ID, USER_TIMER_MINIMUM, &DialogDriver::Tick);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogDriver::Tick(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    if (!g_driver) return;
    if (g_driver->next_ >= g_driver->steps_.size()) {
        ADD_FAILURE() << "the dialog outlived its script";
        EndDialog(dialog, IDABORT);
        return;
    }
    g_driver->steps_[g_driver->next_++](dialog);
    if (IsWindow(dialog)) SetTimer(dialog, STEP_TIMER_ID, USER_TIMER_MINIMUM, &DialogDriver::Tick);
}

#include "tests/settings/DialogDriver.h"

#include <cstring>
#include <string>

namespace {

DialogDriver* g_driver = nullptr;
constexpr UINT_PTR DRIVE_TIMER = 0x5151;

bool IsDialog(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "#32770") == 0;
}

}  // namespace

DialogDriver::DialogDriver(OnInit onInit, OnRunning onRunning)
    : onInit_(std::move(onInit)), onRunning_(std::move(onRunning)) {
    g_driver = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, &DialogDriver::Hook, nullptr, GetCurrentThreadId());
}

DialogDriver::~DialogDriver() {
    UnhookWindowsHookEx(hook_);
    g_driver = nullptr;
}

LRESULT CALLBACK DialogDriver::Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_driver && sent->message == WM_INITDIALOG && IsDialog(sent->hwnd)) {
        ++g_driver->dialogs;
        if (g_driver->onInit_) g_driver->onInit_(sent->hwnd, sent->lResult);
        SetTimer(sent->hwnd, DRIVE_TIMER, USER_TIMER_MINIMUM, &DialogDriver::Tick);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogDriver::Tick(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    if (g_driver && g_driver->onRunning_) g_driver->onRunning_(dialog);
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

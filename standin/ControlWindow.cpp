#include "ControlWindow.h"

#include <map>

#include "EventHub.h"
#include "Notifier.h"
#include "ServerModule.h"

namespace standin {

namespace {
HWND g_window = nullptr;
std::map<DISPID, LONG> g_calls;  // STA only: the calls and the control window share it
}

ControlWindow::~ControlWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    g_window = nullptr;
}

bool ControlWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &ControlWindow::WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = CLASS_NAME;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    hwnd_ = CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    g_window = hwnd_;
    return hwnd_ != nullptr;
}

void ControlWindow::HonourDieRequest() {
    MSG msg;
    if (g_window && PeekMessageW(&msg, g_window, MSG_DIE, MSG_DIE, PM_REMOVE)) Die();
}

void ControlWindow::CountCall(DISPID id) noexcept {
    try {
        ++g_calls[id];
    } catch (...) {
        // Out of memory: the count is short by one, which a caller sees as a lost call.
    }
}

bool ControlWindow::EndAfterThisCall(DISPID id, LONG count) {
    const auto found = g_calls.find(id);
    return g_window && found != g_calls.end() && found->second == count && PostMessageW(g_window, MSG_DIE, 0, 0);
}

void ControlWindow::Die() {
    ServerModule::RevokeClassObject();
    ExitProcess(DIED_EXIT_CODE);
}

LRESULT CALLBACK ControlWindow::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case MSG_FIRE:
            Notifier::FireNow(static_cast<DISPID>(wParam), static_cast<short>(lParam));
            return 0;
        case MSG_FIRE_QUEUED:
            EventHub::Broadcast(static_cast<DISPID>(wParam), static_cast<short>(lParam));
            return 0;
        case MSG_RAW_EVENT:
            EventHub::BroadcastRaw(static_cast<DISPID>(wParam), static_cast<UINT>(lParam));
            return 0;
        case MSG_CALL_COUNT: {
            const auto found = g_calls.find(static_cast<DISPID>(wParam));
            return found == g_calls.end() ? 0 : found->second;
        }
        case MSG_DIE:
            Die();
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace standin

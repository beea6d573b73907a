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
    // The test controls are a door into the agent for any program on the desktop: only a
    // server started for tests has them. Otherwise the window only wakes the STA.
    const wchar_t* name = ServerModule::Scripted() ? CLASS_NAME : INTERNAL_CLASS_NAME;
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    hwnd_ = CreateWindowExW(0, name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
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

bool ControlWindow::EndAfterThisCall(DISPID id, LONG count, IUnknown* caller) {
    const auto found = g_calls.find(id);
    if (!g_window || !caller || found == g_calls.end() || found->second != count) return false;
    caller->AddRef();  // released by the message
    if (PostMessageW(g_window, MSG_GO_AWAY, 0, reinterpret_cast<LPARAM>(caller))) return true;
    caller->Release();
    return false;
}

void ControlWindow::Die() {
    ServerModule::RevokeClassObject();
    ExitProcess(DIED_EXIT_CODE);
}

LRESULT CALLBACK ControlWindow::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == MSG_FIRE_QUEUED) {
            Notifier::FirePosted();
            return 0;
        }
        if (!ServerModule::Scripted()) return DefWindowProcW(hwnd, message, wParam, lParam);
        switch (message) {
        case MSG_FIRE:
            Notifier::FireNow(static_cast<DISPID>(wParam), static_cast<short>(lParam));
            return 0;
        case MSG_RAW_EVENT:
            EventHub::BroadcastRaw(static_cast<DISPID>(wParam), static_cast<UINT>(lParam));
            return 0;
        case MSG_CALL_COUNT: {
            const auto found = g_calls.find(static_cast<DISPID>(wParam));
            return found == g_calls.end() ? 0 : found->second;
        }
        case MSG_GO_AWAY: {
            // Calls to the object fail at once from now on, while the class stays registered
            // and the thread blocked for a moment, as in a server that is shutting down.
            auto* object = reinterpret_cast<IUnknown*>(lParam);
            CoDisconnectObject(object, 0);
            object->Release();
            Sleep(GOING_AWAY_MS);
            Die();
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

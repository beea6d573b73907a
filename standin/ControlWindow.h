// Message-only window of the server's STA: fires queued notifications and, in scripted mode
// only, takes the test controls (notify, die, raw event) that other processes post to it.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace standin {

class ControlWindow {
public:
    static constexpr const wchar_t* CLASS_NAME = L"VelorexUploadAgentControl";  // scripted mode only
    static constexpr const wchar_t* INTERNAL_CLASS_NAME = L"VelorexUploadAgentNotifier";
    static constexpr UINT MSG_FIRE = WM_APP + 1;        // wParam event id, lParam value
    static constexpr UINT MSG_DIE = WM_APP + 2;         // end at once, without the clients
    static constexpr UINT MSG_RAW_EVENT = WM_APP + 3;    // wParam event id, lParam VT_I4 count
    static constexpr UINT MSG_CALL_COUNT = WM_APP + 4;   // sent: wParam dispatch id; answers the count
    static constexpr UINT MSG_FIRE_QUEUED = WM_APP + 10; // internal: fire what Notifier holds
    static constexpr UINT MSG_GO_AWAY = WM_APP + 11;     // internal: lParam the object to cut off
    static constexpr UINT DIED_EXIT_CODE = 2;

    ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;
    ~ControlWindow();

    bool Create(HINSTANCE instance);
    HWND hwnd() const { return hwnd_; }

    // For code that blocks the STA on purpose: a die request still ends the process.
    static void HonourDieRequest();

    // Every Invoke, before anything else; kept in memory so that a caller measuring many
    // calls can check they all arrived without a log file's cost per call.
    static void CountCall(DISPID id) noexcept;
    // When this is the count-th call with that id: once the call has been answered, `caller`
    // is cut off from its clients and the process ends on its own GOING_AWAY_MS later. True
    // when it will.
    static bool EndAfterThisCall(DISPID id, LONG count, IUnknown* caller);
    static constexpr DWORD GOING_AWAY_MS = 300;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    [[noreturn]] static void Die();

    HWND hwnd_ = nullptr;
};

}  // namespace standin

#include "tests/support/MessageLog.h"

#include "tests/support/WindowFacts.h"

namespace {
MessageLog* g_log = nullptr;
}

MessageLog::MessageLog(Describe describe, OnSent onSent) : describe_(std::move(describe)), onSent_(std::move(onSent)) {
    g_log = this;
    sent_.Reset(SetWindowsHookExA(WH_CALLWNDPROC, &MessageLog::Sent, nullptr, GetCurrentThreadId()));
    posted_.Reset(SetWindowsHookExA(WH_GETMESSAGE, &MessageLog::Posted, nullptr, GetCurrentThreadId()));
}

MessageLog::~MessageLog() {
    sent_.Reset();
    posted_.Reset();
    g_log = nullptr;
}

std::vector<std::string> MessageLog::Take() {
    std::vector<std::string> taken;
    taken.swap(entries);
    return taken;
}

void MessageLog::Record(const char* how, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window || ClassNameOf(window) != "Sonavo") return;
    const std::string what = describe_(message, wParam, lParam);
    if (!what.empty()) entries.push_back(std::string(how) + " " + what);
}

LRESULT CALLBACK MessageLog::Sent(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_log) {
        g_log->Record("sent", sent->hwnd, sent->message, sent->wParam, sent->lParam);
        if (g_log->onSent_) g_log->onSent_(*sent);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MessageLog::Posted(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_log) g_log->Record("posted", msg->hwnd, msg->message, msg->wParam, msg->lParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

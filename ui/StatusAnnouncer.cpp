#include "ui/StatusAnnouncer.h"

#include <oleacc.h>

#include <utility>

#include "ui/StatusText.h"

namespace {

// Looked up on the first request rather than imported: a program that no reader asks about
// never loads the accessibility library at its start.
struct OleaccFunctions {
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
};

const OleaccFunctions& Oleacc() {
    static const OleaccFunctions functions = [] {
        OleaccFunctions found;
        if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {  // kept: the objects it made may outlive any call
            found.createStdAccessibleObject = reinterpret_cast<decltype(found.createStdAccessibleObject)>(
                reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
            found.lresultFromObject = reinterpret_cast<decltype(found.lresultFromObject)>(
                reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
        }
        return found;
    }();
    return functions;
}

}  // namespace

AccessibleStatus* StatusAnnouncer::Accessible() {
    if (!accessible_ && window_ && Oleacc().createStdAccessibleObject && Oleacc().lresultFromObject) {
        ComPtr<IAccessible> standard;
        if (FAILED(Oleacc().createStdAccessibleObject(window_, OBJID_CLIENT, __uuidof(IAccessible), standard.PutVoid())))
            return nullptr;
        accessible_.Reset(new (std::nothrow) AccessibleStatus(window_, lines_, std::move(standard)));
    }
    return accessible_.Get();
}

LRESULT StatusAnnouncer::Answer(WPARAM flags, LPARAM objectId, bool& handled) {
    // The id is a 32-bit value, whatever the width of LPARAM.
    const LONG id = static_cast<LONG>(objectId);
    if (id == OBJID_CLIENT) {
        if (AccessibleStatus* accessible = Accessible())
            return Oleacc().lresultFromObject(__uuidof(IAccessible), flags, static_cast<IAccessible*>(accessible));
    } else if (id == UIA_ROOT_OBJECT_ID && Uia().returnRawElementProvider) {
        if (!provider_ && Accessible())
            provider_.Reset(new (std::nothrow) StatusProvider(window_, ComPtr<AccessibleStatus>::Share(accessible_.Get())));
        if (provider_) return Uia().returnRawElementProvider(window_, flags, objectId, provider_.Get());
    }
    handled = false;
    return 0;
}

void StatusAnnouncer::Changed() {
    if (!window_) return;
    std::wstring line1 = DrawnText(lines_.statusLine1), line2 = DrawnText(lines_.statusLine2);
    if (line1 == told1_ && line2 == told2_) return;
    const ULONGLONG now = GetTickCount64();
    if (gate_.Change(now)) {
        Announce(std::move(line1), std::move(line2));
    } else if (!timerSet_) {
        timerSet_ = SetTimer(window_, ANNOUNCE_TIMER_ID, gate_.Wait(now) + 1, nullptr) != 0;
    }
}

void StatusAnnouncer::OnTimer() {
    KillTimer(window_, ANNOUNCE_TIMER_ID);
    timerSet_ = false;
    const ULONGLONG now = GetTickCount64();
    if (gate_.Due(now)) Announce(DrawnText(lines_.statusLine1), DrawnText(lines_.statusLine2));
    else if (gate_.Held()) timerSet_ = SetTimer(window_, ANNOUNCE_TIMER_ID, gate_.Wait(now) + 1, nullptr) != 0;
}

void StatusAnnouncer::Announce(std::wstring line1, std::wstring line2) {
    const bool first = line1 != told1_, second = line2 != told2_;
    if (!first && !second) return;
    told1_ = std::move(line1);
    told2_ = std::move(line2);
    if (first) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_, OBJID_CLIENT, STATUS_LINE1_CHILD);
    if (second) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_, OBJID_CLIENT, STATUS_LINE2_CHILD);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window_, OBJID_CLIENT, CHILDID_SELF);
    if (provider_ && Uia().raiseAutomationEvent)
        Uia().raiseAutomationEvent(provider_.Get(), UIA_LIVE_REGION_CHANGED_EVENT);
}

void StatusAnnouncer::WindowGone() {
    if (!window_) return;
    KillTimer(window_, ANNOUNCE_TIMER_ID);
    timerSet_ = false;
    if (provider_) {
        provider_->WindowGone();
        Uia().returnRawElementProvider(window_, 0, 0, nullptr);  // the documented release of them all
        if (Uia().disconnectProvider) Uia().disconnectProvider(provider_.Get());
        provider_.Reset();
    }
    if (accessible_) {
        accessible_->WindowGone();
        CoDisconnectObject(static_cast<IAccessible*>(accessible_.Get()), 0);
        accessible_.Reset();
    }
    window_ = nullptr;
}

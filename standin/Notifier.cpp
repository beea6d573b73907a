#include "Notifier.h"

#include <atomic>

#include "ControlWindow.h"
#include "EventHub.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {
std::atomic<HWND> g_control{nullptr};
std::atomic<short> g_status{10};
}  // namespace

void Notifier::Attach(HWND control) { g_control = control; }

short Notifier::Status() { return g_status; }

void Notifier::SetStatus(short status) { g_status = status; }

void Notifier::Post(DISPID eventId, short value) {
    if (eventId == agentproto::EventStatus) g_status = value;
    if (HWND control = g_control) PostMessageW(control, ControlWindow::MSG_FIRE_QUEUED, eventId, value);
}

void Notifier::FireNow(DISPID eventId, short value) {
    if (eventId == agentproto::EventStatus) g_status = value;
    EventHub::Broadcast(eventId, value);
}

}  // namespace standin

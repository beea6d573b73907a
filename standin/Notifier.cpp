#include "Notifier.h"

#include <atomic>
#include <deque>
#include <mutex>

#include "Agent.h"
#include "ControlWindow.h"
#include "EventHub.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {

struct Posted {
    DISPID eventId;  // 0: the queue ran empty
    short value;
    std::wstring item;
};

std::atomic<HWND> g_control{nullptr};
std::atomic<short> g_status{10};
std::mutex g_lock;
std::deque<Posted> g_posted;
const std::wstring* g_firingItem = nullptr;  // STA only

// The window message only wakes the STA; what it fires comes from this process's own list,
// so a message from elsewhere can fire nothing that was not posted here.
void Enqueue(Posted posted) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_posted.push_back(std::move(posted));
    }
    if (HWND control = g_control) PostMessageW(control, ControlWindow::MSG_FIRE_QUEUED, 0, 0);
}

}  // namespace

void Notifier::Attach(HWND control) { g_control = control; }

short Notifier::Status() { return g_status; }

void Notifier::SetStatus(short status) { g_status = status; }

void Notifier::Post(DISPID eventId, short value, const std::wstring& item) {
    if (eventId == agentproto::EventStatus) g_status = value;
    Enqueue({eventId, value, item});
}

void Notifier::PostQueueDrained() { Enqueue({0, 0, std::wstring()}); }

void Notifier::FireNow(DISPID eventId, short value) {
    if (eventId == agentproto::EventStatus) g_status = value;
    EventHub::Broadcast(eventId, value);
}

void Notifier::FirePosted() {
    for (;;) {
        Posted next;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_posted.empty()) return;
            next = std::move(g_posted.front());
            g_posted.pop_front();
        }
        if (next.eventId == 0) {
            Agent::Current().QueueDrained();
            continue;
        }
        // A sink's call back in (GetCurrentFileName) runs while this one is out.
        const std::wstring* outer = g_firingItem;
        g_firingItem = next.item.empty() ? nullptr : &next.item;
        try {
            EventHub::Broadcast(next.eventId, next.value);
        } catch (...) {
            g_firingItem = outer;
            throw;
        }
        g_firingItem = outer;
    }
}

bool Notifier::FiringItem(std::wstring* item) {
    if (!g_firingItem) return false;
    *item = *g_firingItem;
    return true;
}

}  // namespace standin

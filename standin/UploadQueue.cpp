#include "UploadQueue.h"

#include <climits>

#include "Notifier.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {
constexpr short UPLOADING = 13;
constexpr short SIGNED_IN_IDLE = 11;
constexpr short LOCAL_FAILURE = 111;
constexpr short QUOTA_FULL = 113;
}  // namespace

UploadQueue::~UploadQueue() { Stop(); }

void UploadQueue::Add(UploadItem item) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    items_.push_back(std::move(item));
    if (!worker_.joinable()) worker_ = std::thread(&UploadQueue::Work, this);
    wake_.notify_one();
}

bool UploadQueue::CancelAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool dropped = !items_.empty();
    items_.clear();
    current_.clear();
    ++generation_;
    return dropped;
}

void UploadQueue::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        items_.clear();
        ++generation_;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

short UploadQueue::FilesToGo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<short>(items_.size() < SHRT_MAX ? items_.size() : SHRT_MAX);
}

std::wstring UploadQueue::CurrentName() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

bool UploadQueue::Report(unsigned generation, DISPID eventId, short value) {
    if (stop_ || generation != generation_) return false;
    Notifier::Post(eventId, value);
    return true;
}

void UploadQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !items_.empty(); });
        if (stop_) return;
        const unsigned generation = generation_;
        short outcome = LOCAL_FAILURE;
        // Nothing may escape the thread; an item that cannot even be tried counts as unreadable.
        try {
            const UploadItem item = items_.front();
            current_ = item.source;  // as the client gave it: a path or a URL
            Report(generation, agentproto::EventStatus, UPLOADING);
            lock.unlock();
            int lastPercent = INT_MIN;
            outcome = Transfer::Run(item, [&](int percent) {
                std::lock_guard<std::mutex> hold(mutex_);
                if (percent < 0 || percent == lastPercent) return !stop_ && generation == generation_;
                lastPercent = percent;
                return Report(generation, agentproto::EventProgress, static_cast<short>(percent));
            });
        } catch (...) {
            outcome = LOCAL_FAILURE;
        }
        if (!lock.owns_lock()) lock.lock();
        if (stop_ || generation != generation_) continue;  // whoever cancelled has reported
        items_.pop_front();
        if (outcome != Transfer::DONE) {
            Report(generation, agentproto::EventStatus, outcome);
            if (outcome == QUOTA_FULL) items_.clear();  // every pending request is cancelled
        }
        // The name stays until the next item starts: the client asks for it when the status
        // (13, or a failure such as 111) reaches it, which can be after the item is done.
        if (items_.empty()) {
            Report(generation, agentproto::EventProgress, -1);
            Report(generation, agentproto::EventStatus, SIGNED_IN_IDLE);
        }
    }
}

}  // namespace standin

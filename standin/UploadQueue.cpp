#include "UploadQueue.h"

#include <climits>
#include <set>
#include <vector>

#include "LongPath.h"
#include "Notifier.h"
#include "agent/AgentProtocol.h"
#include "win/UniqueHandle.h"

namespace standin {

namespace {
constexpr short UPLOADING = 13;
constexpr short SIGNED_IN_IDLE = 11;
constexpr short LOCAL_FAILURE = 111;
constexpr short QUOTA_FULL = 113;
// A waiting file larger than this is not the queue's own.
constexpr DWORD LARGEST_WAITING_FILE = 16u << 20;

std::wstring WaitingFileOf(const std::wstring& locker) {
    const std::wstring folder = LongPath::Of(locker);
    return folder.empty() ? folder : folder + L"\\" + UploadQueue::WAITING_FILE;
}

// UTF-16, one NUL after each item: an item is a path or a URL, neither holds a NUL.
bool WriteWaiting(const std::wstring& file, const std::wstring& text) {
    // Written aside and moved over, so that a process ended mid-write leaves the last list.
    const std::wstring fresh = file + L".new";
    UniqueHandle out(
        CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!out.Valid()) return false;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD put = 0;
    const bool written = WriteFile(out.Get(), text.data(), bytes, &put, nullptr) && put == bytes;
    out.Reset();
    if (written && MoveFileExW(fresh.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(fresh.c_str());
    return false;
}

std::vector<std::wstring> ReadWaiting(const std::wstring& file) {
    std::vector<std::wstring> items;
    UniqueHandle in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!in.Valid() || !GetFileSizeEx(in.Get(), &size) || size.QuadPart > LARGEST_WAITING_FILE) return items;
    std::wstring text(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
    DWORD got = 0;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!text.empty() && (!ReadFile(in.Get(), &text[0], bytes, &got, nullptr) || got != bytes)) return items;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(L'\0', start);
        if (end == std::wstring::npos) break;  // cut short: not a whole item
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

}  // namespace

UploadQueue::~UploadQueue() { Stop(); }

void UploadQueue::Add(UploadItem item) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    items_.push_back(std::move(item));
    Save(items_.back().locker);
    if (!worker_.joinable()) worker_ = std::thread(&UploadQueue::Work, this);
    wake_.notify_one();
}

size_t UploadQueue::Resume(const std::wstring& locker) {
    const std::wstring file = WaitingFileOf(locker);
    if (file.empty()) return 0;
    const std::vector<std::wstring> waiting = ReadWaiting(file);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return 0;
    for (const std::wstring& source : waiting) items_.push_back({source, locker});
    Save(locker);
    if (!items_.empty() && !worker_.joinable()) worker_ = std::thread(&UploadQueue::Work, this);
    wake_.notify_one();
    return waiting.size();
}

bool UploadQueue::CancelAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool dropped = !items_.empty();
    std::set<std::wstring> lockers;
    for (const UploadItem& item : items_) lockers.insert(item.locker);
    items_.clear();
    for (const std::wstring& locker : lockers) Save(locker);
    current_.clear();
    cleaned_.clear();  // the next session starts by removing leftovers again
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

void UploadQueue::Save(const std::wstring& locker) const {
    const std::wstring file = WaitingFileOf(locker);
    if (file.empty()) return;
    std::wstring text;
    for (const UploadItem& item : items_)
        if (item.locker == locker) text += item.source + L'\0';
    if (text.empty()) {
        DeleteFileW(file.c_str());
    } else if (LongPath::CreateTree(LongPath::Of(locker))) {
        WriteWaiting(file, text);
    }
}

bool UploadQueue::Report(unsigned generation, DISPID eventId, short value, const std::wstring& item) {
    if (stop_ || generation != generation_) return false;
    Notifier::Post(eventId, value, item);
    return true;
}

void UploadQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !items_.empty(); });
        if (stop_) return;
        const unsigned generation = generation_;
        short outcome = LOCAL_FAILURE;
        std::wstring source, locker;
        // Nothing may escape the thread; an item that cannot even be tried counts as unreadable.
        try {
            const UploadItem item = items_.front();
            source = item.source;
            locker = item.locker;
            current_ = item.source;  // as the client gave it: a path or a URL
            // Copies an ended process left half-written count for nothing and would stay for good.
            const bool clean = cleaned_ != item.locker;
            cleaned_ = item.locker;
            Report(generation, agentproto::EventStatus, UPLOADING, source);
            lock.unlock();
            if (clean) Transfer::RemoveLeftovers(item.locker);
            int lastPercent = INT_MIN;
            outcome = Transfer::Run(item, [&](int percent) {
                std::lock_guard<std::mutex> hold(mutex_);
                if (percent < 0 || percent == lastPercent) return !stop_ && generation == generation_;
                lastPercent = percent;
                return Report(generation, agentproto::EventProgress, static_cast<short>(percent), source);
            });
        } catch (...) {
            outcome = LOCAL_FAILURE;
        }
        if (!lock.owns_lock()) lock.lock();
        if (stop_ || generation != generation_) continue;  // whoever cancelled has reported
        items_.pop_front();
        if (outcome != Transfer::DONE) {
            Report(generation, agentproto::EventStatus, outcome, source);
            if (outcome == QUOTA_FULL) items_.clear();  // every pending request is cancelled
        }
        try {
            Save(locker);
        } catch (...) {
            // Out of memory: the list on disk is a step behind, an item done may be done again.
        }
        // The name stays until the next item starts: a client that asks outside a notification
        // gets the last item.
        if (items_.empty()) {
            Report(generation, agentproto::EventProgress, -1, std::wstring());
            Report(generation, agentproto::EventStatus, SIGNED_IN_IDLE, std::wstring());
            Notifier::PostQueueDrained();
        }
    }
}

}  // namespace standin

// Items waiting for upload and the worker thread that copies them one at a time. The
// worker reports through Notifier::Post, so every notification still fires on the STA.
// The items also wait on disk, in a hidden file of the account's Locker folder, until they
// are done: a process ended meanwhile (killed, or the user signed off Windows) leaves them
// there for the next session of that account.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "Transfer.h"

namespace standin {

class UploadQueue {
public:
    static constexpr const wchar_t* WAITING_FILE = L"Waiting uploads.queue";

    UploadQueue() = default;
    UploadQueue(const UploadQueue&) = delete;
    UploadQueue& operator=(const UploadQueue&) = delete;
    ~UploadQueue();

    void Add(UploadItem item);
    // Queues what an earlier process left waiting for this Locker; the number of items.
    size_t Resume(const std::wstring& locker);
    // Drops everything, the item in progress too, on disk as well; true when anything was dropped.
    bool CancelAll();
    // Ends the worker; what waits on disk stays there.
    void Stop();

    short FilesToGo() const;  // the item in progress counts
    std::wstring CurrentName() const;  // the item in progress as queued

private:
    void Work();
    // Under mutex_: reports only while the item's generation is still current.
    bool Report(unsigned generation, DISPID eventId, short value, const std::wstring& item);
    // Under mutex_: writes the items of that Locker to its waiting file, or removes the file.
    void Save(const std::wstring& locker) const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<UploadItem> items_;
    std::wstring current_;
    std::wstring cleaned_;  // the Locker whose leftovers this session has removed
    unsigned generation_ = 0;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace standin

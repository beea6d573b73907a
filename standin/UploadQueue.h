// Items waiting for upload and the worker thread that copies them one at a time. The
// worker reports through Notifier::Post, so every notification still fires on the STA.
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
    UploadQueue() = default;
    UploadQueue(const UploadQueue&) = delete;
    UploadQueue& operator=(const UploadQueue&) = delete;
    ~UploadQueue();

    void Add(UploadItem item);
    // Drops everything, the item in progress too; true when anything was dropped.
    bool CancelAll();
    void Stop();

    short FilesToGo() const;  // the item in progress counts
    std::wstring CurrentName() const;  // the item in progress as queued

private:
    void Work();
    // Under mutex_: reports only while the item's generation is still current.
    bool Report(unsigned generation, DISPID eventId, short value);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<UploadItem> items_;
    std::wstring current_;
    unsigned generation_ = 0;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace standin

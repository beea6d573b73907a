// The drops that the window still has to hand to the agent: whole batches in drop order,
// handed over a slice at a time so that the window stays responsive meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "agent/UploadItem.h"
#include "drop/DropFileList.h"

class FileReceiver;

// One drop as the window took it: a file list, read only when its turn comes, or the items.
struct DropBatch {
    std::vector<unsigned char> fileList;  // the DROPFILES block as fetched
    std::vector<UploadItem> items;
};

class HandOverQueue {
public:
    HandOverQueue() = default;
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;

    // One drop; false for an empty one, which asks nothing of anyone.
    bool Append(DropBatch batch);
    // Hands items over, one short step after another, the first always and the others while
    // `goOn` allows; true when another slice is needed. The receiver may run message loops,
    // and a slice reached from inside one returns false at once: the slice below carries on.
    bool RunSlice(FileReceiver& receiver, const std::function<bool()>& goOn);
    // Forgets every item not yet handed over (the program ends).
    void Clear();
    bool Empty() const { return batches_.empty(); }

private:
    struct Batch {
        unsigned long serial = 0;
        DroppedFileList fileList;  // read into `items` a few names at a time
        bool checked = false;
        std::vector<UploadItem> items;
        std::size_t next = 0;
        bool begun = false;               // BeginFiles has said yes on the connection in use
        std::size_t lostOnce = SIZE_MAX;  // the item already re-sent after its agent went away
    };
    void Step(FileReceiver& receiver);
    // The front batch after a call that may have run a message loop, if it is still `serial`.
    Batch* Front(unsigned long serial);

    std::deque<Batch> batches_;
    unsigned long nextSerial_ = 1;
    bool running_ = false;
};

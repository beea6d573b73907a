// The drops that the window still has to hand to the agent: whole batches in drop order,
// handed over a slice at a time so that the window stays responsive meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "drop/HeldWork.h"
#include "drop/UploadItem.h"
#include "drop/DropFileList.h"

class ItemReceiver;

// One drop as the window took it: a file list, read only when its turn comes, or the items.
struct DropBatch {
    std::vector<unsigned char> fileList;  // the DROPFILES block as fetched
    std::vector<UploadItem> items;
};

// Deaths of the agent's process in a row, with nothing handed over in between, that end an
// attempt: one new agent is tried, never a second.
constexpr int AGENT_DEATHS_TO_STOP = 2;

class HandOverQueue {
public:
    HandOverQueue() = default;
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;

    // One drop; false for an empty one, which asks nothing of anyone.
    bool Append(DropBatch batch);
    // What waited for a sign-in, ahead of everything queued: it was dropped before any of it.
    // Signed in already, so the receiver is not asked to begin; false when there is nothing.
    bool PutFirst(HeldWork work);
    // Hands items over, one short step after another, the first always and the others while
    // `goOn` allows; true when another slice is needed. The receiver may run message loops,
    // and a slice reached from inside one returns false at once: the slice below carries on.
    // A step that throws is reported through the receiver and skipped; nothing escapes.
    bool RunSlice(ItemReceiver& receiver, const std::function<bool()>& goOn);
    // The last slice ended waiting for something that takes its time (a file's size read
    // elsewhere): the next is best asked for a little later.
    bool Waiting() const { return waiting_; }
    // Forgets every item not yet handed over (the program ends).
    void Clear();
    // Names at once what the agent refused of drops not yet done, which are otherwise named
    // when their drop is done: the user leaves before that and must still hear of them.
    void ReportRefusedSoFar(ItemReceiver& receiver);
    bool Empty() const { return batches_.empty(); }

private:
    struct Batch {
        unsigned long serial = 0;
        DroppedFileList fileList;  // read into `items` a few names at a time
        bool checked = false;
        std::vector<UploadItem> items;
        std::size_t next = 0;
        bool begun = false;  // BeginFiles has said yes on the connection in use
        std::size_t openLockerAt = HeldWork::NO_LOCKER;
        // The last question could not be asked: once more at the next slice, then no more.
        bool beginRetried = false;
        bool itemRetried = false;
        std::vector<std::wstring> refused;  // items the agent did not take, named once at the end
    };
    void Step(ItemReceiver& receiver);
    void HandOne(ItemReceiver& receiver, Batch& batch);
    // The agent went away again: everything not handed over waits, in order, for the next
    // sign-in or the next drop.
    void HoldEverything(ItemReceiver& receiver);
    // The batch after a call that may have run a message loop, if it is still queued.
    Batch* Find(unsigned long serial);
    void Remove(unsigned long serial);
    // The batch is done: gone from the queue, and the user told of what the agent refused.
    void Finish(ItemReceiver& receiver, unsigned long serial);

    std::deque<Batch> batches_;
    unsigned long nextSerial_ = 1;
    bool running_ = false;
    int deathsInARow_ = 0;
    bool waiting_ = false;
    // The batch whose names are being checked or read, or whose start is asked, in the step
    // under way: what a failed step leaves of it cannot be trusted.
    unsigned long readingSerial_ = 0;
};

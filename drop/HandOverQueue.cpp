#include "drop/HandOverQueue.h"

#include <algorithm>
#include <utility>

#include "drop/ItemReceiver.h"
#include "win/ComText.h"

namespace {

// Names read from a file list at a time: a fraction of a millisecond.
constexpr std::size_t READ_CHUNK = 256;

UploadItem ItemOf(const DroppedPath& path) {
    UploadItem item;
    item.fromFileList = true;
    if (path.wide) item.text.assign(path.utf16.begin(), path.utf16.end());
    else item.text = NarrowToWide(path.narrow.c_str());
    return item;
}

}  // namespace

bool HandOverQueue::Append(DropBatch batch) {
    if (batch.fileList.empty() && batch.items.empty()) return false;
    Batch added;
    added.serial = nextSerial_++;
    added.fileList = DroppedFileList(std::move(batch.fileList));
    added.items = std::move(batch.items);
    batches_.push_back(std::move(added));
    return true;
}

bool HandOverQueue::PutFirst(HeldWork work) {
    if (work.Empty()) return false;
    Batch held;
    held.serial = nextSerial_++;
    held.items = std::move(work.items);
    held.openLockerAt = work.openLockerAt;
    held.begun = true;
    batches_.push_front(std::move(held));
    return true;
}

void HandOverQueue::Clear() { batches_.clear(); }

void HandOverQueue::ReportRefusedSoFar(ItemReceiver& receiver) {
    std::vector<std::wstring> refused;
    for (Batch& batch : batches_) {
        for (std::wstring& text : batch.refused) refused.push_back(std::move(text));
        batch.refused.clear();
    }
    if (!refused.empty()) receiver.ReportRefused(refused);
}

HandOverQueue::Batch* HandOverQueue::Find(unsigned long serial) {
    for (Batch& batch : batches_)
        if (batch.serial == serial) return &batch;
    return nullptr;
}

void HandOverQueue::Finish(ItemReceiver& receiver, unsigned long serial) {
    Batch* batch = Find(serial);
    if (!batch) return;
    std::vector<std::wstring> refused = std::move(batch->refused);
    Remove(serial);
    if (!refused.empty()) receiver.ReportRefused(refused);
}

void HandOverQueue::Remove(unsigned long serial) {
    batches_.erase(std::remove_if(batches_.begin(), batches_.end(),
                                  [serial](const Batch& batch) { return batch.serial == serial; }),
                   batches_.end());
}

bool HandOverQueue::RunSlice(ItemReceiver& receiver, const std::function<bool()>& goOn) {
    if (running_) return false;  // the slice below carries on, and asks for the next one
    running_ = true;
    waiting_ = false;
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{running_};
    // At least one step, so that a stream of input (a mouse moved on and on) slows the
    // hand-over down but never stops it.
    while (!batches_.empty() && !waiting_) {
        readingSerial_ = 0;
        try {
            Step(receiver);
        } catch (...) {
            // An item being handed over is gone with its step; names being read take the rest
            // of their list with them. Either way the user hears of it, and the next goes on.
            if (readingSerial_ != 0) Remove(readingSerial_);
            try {
                receiver.ReportStepFailed();
            } catch (...) {
            }
        }
        if (!goOn()) break;
    }
    return !batches_.empty();
}

// One short step: check a file list, read some of its names, open a Locker that waited, or
// make one call to the receiver. Every call may run a message loop (the Sign In dialog, a
// message box) in which the program can end and clear the queue, further drops join it, or
// held items are put in front of it: nothing of the batch is touched afterwards without
// looking it up again.
void HandOverQueue::Step(ItemReceiver& receiver) {
    Batch& batch = batches_.front();
    const unsigned long serial = batch.serial;
    if (!batch.fileList.Empty() && !batch.checked) {
        readingSerial_ = serial;
        batch.checked = true;
        if (!batch.fileList.Check() || batch.fileList.Left() == 0) Remove(serial);  // asks nothing
        return;
    }
    if (batch.openLockerAt == batch.next) {  // its turn, after the items held before it
        batch.openLockerAt = HeldWork::NO_LOCKER;
        receiver.OpenHeldLocker();
        return;
    }
    if (batch.next == batch.items.size()) {
        if (batch.fileList.Left() == 0) {
            Finish(receiver, serial);
            return;
        }
        // Every item read so far has been dealt with: make room for the next names.
        readingSerial_ = serial;
        batch.items.clear();
        batch.next = 0;
        for (const DroppedPath& path : batch.fileList.Take(READ_CHUNK)) batch.items.push_back(ItemOf(path));
        return;
    }
    if (!batch.begun) {
        readingSerial_ = serial;
        batch.begun = true;
        const BeginResult begin = receiver.BeginFiles();
        Batch* still = Find(serial);
        if (!still) return;  // the program is ending
        switch (begin) {
        case BeginResult::Go: still->beginRetried = false; break;
        case BeginResult::Stop: Finish(receiver, serial); break;  // the user cancelled
        case BeginResult::NotAsked:
            if (!still->beginRetried) {
                still->beginRetried = true;
                still->begun = false;
                waiting_ = true;
                break;
            }
            still->beginRetried = false;
            HoldEverything(receiver);
            break;
        case BeginResult::NoAgent:
            // Nothing of it is lost: it all waits, in order, for an agent that answers.
            HoldEverything(receiver);
            break;
        }
        return;
    }
    HandOne(receiver, batch);
}

void HandOverQueue::HandOne(ItemReceiver& receiver, Batch& batch) {
    const unsigned long serial = batch.serial;
    const std::size_t index = batch.next++;
    // Held here, not in the batch, which a message loop inside the call may clear.
    UploadItem item = std::move(batch.items[index]);
    const AddResult result = receiver.AddFile(item);
    Batch* still = Find(serial);
    if (result == AddResult::Handled) {
        deathsInARow_ = 0;
        if (still) still->itemRetried = false;
        return;
    }
    if (!still) return;  // the program is ending
    if (result == AddResult::NotAsked && !still->itemRetried) {  // once more, at the next slice
        still->itemRetried = true;
        still->next = index;
        still->items[index] = std::move(item);
        waiting_ = true;
        return;
    }
    if (result == AddResult::NotAsked || result == AddResult::Refused) {
        // Not handed over: named with the batch's others once it is done, and the rest goes on.
        deathsInARow_ = 0;
        still->itemRetried = false;
        still->refused.push_back(std::move(item.text));
        return;
    }
    if (result == AddResult::Behind || result == AddResult::Later) {  // this one again, then
        still->next = index;
        still->items[index] = std::move(item);
        waiting_ = result == AddResult::Later;
        return;
    }
    if (result == AddResult::NoAgent) {
        // The user has been told; this item and everything after it wait for an agent.
        receiver.HoldForSignIn(item);
        HoldEverything(receiver);
        return;
    }
    // The agent's process went away: this item and the rest go to the next connection,
    // which is asked afresh whether the user is signed in. Once only in a row: an agent that
    // dies again must not be started again and again.
    if (++deathsInARow_ < AGENT_DEATHS_TO_STOP) {
        still->begun = false;
        still->next = index;
        still->items[index] = std::move(item);
        return;
    }
    deathsInARow_ = 0;
    receiver.HoldForSignIn(item);
    HoldEverything(receiver);
    receiver.ReportAgentStopped();
}

void HandOverQueue::HoldEverything(ItemReceiver& receiver) {
    std::deque<Batch> waiting = std::move(batches_);
    batches_.clear();
    std::vector<std::wstring> refused;
    for (Batch& batch : waiting) {
        for (std::wstring& text : batch.refused) refused.push_back(std::move(text));
        if (!batch.fileList.Empty() && !batch.checked && !batch.fileList.Check()) continue;
        for (; batch.next < batch.items.size(); ++batch.next) {
            if (batch.openLockerAt == batch.next) receiver.HoldLockerForSignIn();
            receiver.HoldForSignIn(batch.items[batch.next]);
        }
        if (batch.openLockerAt != HeldWork::NO_LOCKER && batch.openLockerAt >= batch.items.size())
            receiver.HoldLockerForSignIn();
        for (const DroppedPath& path : batch.fileList.Take(batch.fileList.Left())) receiver.HoldForSignIn(ItemOf(path));
    }
    if (!refused.empty()) receiver.ReportRefused(refused);
}

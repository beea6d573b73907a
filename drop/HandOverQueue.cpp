#include "drop/HandOverQueue.h"

#include <utility>

#include "agent/ComText.h"
#include "agent/FileReceiver.h"

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

void HandOverQueue::Clear() { batches_.clear(); }

HandOverQueue::Batch* HandOverQueue::Front(unsigned long serial) {
    return !batches_.empty() && batches_.front().serial == serial ? &batches_.front() : nullptr;
}

bool HandOverQueue::RunSlice(FileReceiver& receiver, const std::function<bool()>& goOn) {
    if (running_) return false;  // the slice below carries on, and asks for the next one
    running_ = true;
    // At least one step, so that a stream of input (a mouse moved on and on) slows the
    // hand-over down but never stops it.
    while (!batches_.empty()) {
        Step(receiver);
        if (!goOn()) break;
    }
    running_ = false;
    return !batches_.empty();
}

// One short step: check a file list, read some of its names, or make one call to the
// receiver. Every call may run a message loop (the Sign In dialog, a message box) in which
// the program can end and clear the queue, or further drops join it: nothing of the batch
// is touched afterwards without looking it up again.
void HandOverQueue::Step(FileReceiver& receiver) {
    Batch& batch = batches_.front();
    const unsigned long serial = batch.serial;
    if (!batch.fileList.Empty() && !batch.checked) {
        batch.checked = true;
        if (!batch.fileList.Check() || batch.fileList.Left() == 0) batches_.pop_front();  // asks nothing
        return;
    }
    if (batch.next == batch.items.size()) {
        if (batch.fileList.Left() == 0) {
            batches_.pop_front();
            return;
        }
        // Every item read so far has been dealt with: make room for the next names.
        batch.items.clear();
        batch.next = 0;
        batch.lostOnce = SIZE_MAX;
        for (const DroppedPath& path : batch.fileList.Take(READ_CHUNK)) batch.items.push_back(ItemOf(path));
        return;
    }
    if (!batch.begun) {
        batch.begun = true;
        if (receiver.BeginFiles() == 0 && Front(serial)) batches_.pop_front();  // cancelled, or no agent
        return;
    }
    const std::size_t index = batch.next++;
    // Held here, not in the batch, which a message loop inside the call may clear.
    UploadItem item = std::move(batch.items[index]);
    const AddResult result = receiver.AddFile(item);
    Batch* still = Front(serial);
    if (!still || result == AddResult::Handled) return;
    if (result == AddResult::NoAgent) {
        batches_.pop_front();  // the user has been told; the next drop tries again
        return;
    }
    // The agent's process went away: this item and the rest go to the next connection,
    // which is asked afresh whether the user is signed in. Sent once more only, so an
    // agent that dies on one item cannot start agents for ever: then it waits for a sign-in.
    still->begun = false;
    if (still->lostOnce == index) {
        receiver.HoldForSignIn(item);
        return;
    }
    still->lostOnce = index;
    still->next = index;
    still->items[index] = std::move(item);
}

#include "drop/HandOverQueue.h"

#include <utility>

#include "agent/FileReceiver.h"

void HandOverQueue::Append(std::vector<UploadItem> batch) {
    if (batch.empty()) return;
    Batch added;
    added.serial = nextSerial_++;
    added.items = std::move(batch);
    batches_.push_back(std::move(added));
}

void HandOverQueue::Clear() { batches_.clear(); }

HandOverQueue::Batch* HandOverQueue::Front(unsigned long serial) {
    return !batches_.empty() && batches_.front().serial == serial ? &batches_.front() : nullptr;
}

bool HandOverQueue::RunSlice(FileReceiver& receiver, const std::function<bool()>& inTime) {
    if (running_) return false;  // the slice below carries on, and asks for the next one
    running_ = true;
    while (!batches_.empty() && inTime()) Step(receiver);
    running_ = false;
    return !batches_.empty();
}

// One call to the receiver. Every call may run a message loop (the Sign In dialog, a message
// box) in which the program can end and clear the queue, or further drops join it: nothing
// of the batch is touched afterwards without looking it up again.
void HandOverQueue::Step(FileReceiver& receiver) {
    Batch& batch = batches_.front();
    const unsigned long serial = batch.serial;
    if (batch.next == batch.items.size()) {
        batches_.pop_front();
        return;
    }
    if (!batch.begun) {
        batch.begun = true;
        if (receiver.BeginFiles() == 0 && Front(serial)) batches_.pop_front();  // cancelled, or no agent
        return;
    }
    const std::size_t index = batch.next++;
    const UploadItem item = batch.items[index];
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
    if (still->lostOnce == index) {
        receiver.HoldForSignIn(item);
        return;
    }
    still->lostOnce = index;
    still->next = index;
    still->begun = false;
}

#include "tests/chaos/ChaosLedger.h"

#include <algorithm>
#include <cstdlib>

std::string ChaosCounts::Describe() const {
    return std::to_string(dropped) + " dropped, " + std::to_string(delivered) + " delivered, " +
           std::to_string(boxed) + " named in a box, " + std::to_string(cancelled) + " cancelled, " +
           std::to_string(heldAtExit) + " held at Exit";
}

void ChaosLedger::Dropped(const std::string& text) {
    index_.emplace(text, items_.size());
    items_.push_back({text, life_});
}

void ChaosLedger::Withdraw(std::size_t count) {
    for (; count > 0 && !items_.empty(); --count) {
        index_.erase(items_.back().text);
        items_.pop_back();
    }
    for (std::vector<Mark>* marks : {&boxes_, &cancels_, &exits_})
        for (Mark& mark : *marks) mark.itemsBefore = std::min(mark.itemsBefore, items_.size());
}

void ChaosLedger::BoxShown(const std::string& text) { boxes_.push_back({items_.size(), life_, text}); }

void ChaosLedger::SignInCancelled(std::size_t deliveredSoFar) {
    cancels_.push_back({items_.size(), life_, {}, deliveredSoFar});
}

void ChaosLedger::Exited(std::size_t deliveredSoFar) { exits_.push_back({items_.size(), life_++, {}, deliveredSoFar}); }

std::vector<std::string> ChaosLedger::Delivered(const std::vector<std::string>& log) {
    // Only an Upload the agent answered with success: one cut off by its end left no answer.
    const std::string prefix = "answer=0x00000000\tdispid=1\t";
    std::vector<std::string> items;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const std::size_t start = line.find("\t8:");
        const std::size_t end = line.rfind("\t11:");
        if (start != std::string::npos && end != std::string::npos && end > start)
            items.push_back(line.substr(start + 3, end - start - 3));
    }
    return items;
}

// Dropped by a Cancel or held at an Exit only when nothing dropped after it, on the same
// start, had gone ahead of it by then: what waits, waits in order.
bool ChaosLedger::HeldUntil(std::size_t index, const Mark& mark, const Order& order) const {
    if (mark.life != items_[index].life || mark.itemsBefore <= index) return false;
    for (std::size_t i = 0; i < mark.deliveredBefore && i < order.size(); ++i)
        if (order[i] != std::string::npos && order[i] > index && items_[order[i]].life == mark.life) return false;
    return true;
}

// A box that names some items and counts the rest ("(and 7 more)") tells of that many more,
// refused after the last one it names, before it came up.
std::vector<bool> ChaosLedger::CountedInBoxes(const std::vector<int>& times) const {
    std::vector<bool> counted(items_.size(), false);
    for (const Mark& box : boxes_) {
        const std::size_t more = box.text.find("(and ");
        if (more == std::string::npos) continue;
        std::size_t left = std::strtoul(box.text.c_str() + more + 5, nullptr, 10);
        std::size_t after = 0;
        bool named = false;
        for (std::size_t i = 0; i < box.itemsBefore && i < items_.size(); ++i)
            if (box.text.find(items_[i].text) != std::string::npos) {
                after = i;
                named = true;
            }
        for (std::size_t i = named ? after + 1 : 0; i < box.itemsBefore && i < items_.size() && left > 0; ++i)
            if (times[i] == 0 && !counted[i] && items_[i].life == box.life) {
                counted[i] = true;
                --left;
            }
    }
    return counted;
}

bool ChaosLedger::Accounted(std::size_t index, const Order& order, bool counted, ChaosCounts* counts) const {
    for (const Mark& box : boxes_)
        if (box.itemsBefore > index && box.text.find(items_[index].text) != std::string::npos) {
            ++counts->boxed;
            return true;
        }
    if (counted) {
        ++counts->boxed;
        return true;
    }
    for (const Mark& cancel : cancels_)
        if (HeldUntil(index, cancel, order)) {
            ++counts->cancelled;
            return true;
        }
    for (const Mark& exit : exits_)
        if (HeldUntil(index, exit, order)) {
            ++counts->heldAtExit;
            return true;
        }
    return false;
}

std::vector<std::string> ChaosLedger::Check(const std::vector<std::string>& log, ChaosCounts* counts) const {
    std::vector<std::string> faults;
    std::vector<int> times(items_.size(), 0);
    Order order;
    std::size_t last = 0;
    bool any = false;
    *counts = ChaosCounts();
    counts->dropped = items_.size();
    for (const std::string& text : Delivered(log)) {
        const auto found = index_.find(text);
        order.push_back(found == index_.end() ? std::string::npos : found->second);
        if (found == index_.end()) {
            faults.push_back("reached the agent but never dropped: " + text);
            continue;
        }
        const std::size_t at = found->second;
        if (++times[at] == 2) faults.push_back("reached the agent twice: #" + std::to_string(at) + " " + text);
        if (any && at < last)
            faults.push_back("out of order: #" + std::to_string(at) + " " + text + " reached the agent after #" +
                             std::to_string(last) + " " + items_[last].text);
        if (!any || at > last) last = at;
        any = true;
    }
    const std::vector<bool> counted = CountedInBoxes(times);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (times[i] > 0) {
            ++counts->delivered;
            continue;
        }
        if (!Accounted(i, order, counted[i], counts))
            faults.push_back("neither delivered nor accounted for: #" + std::to_string(i) + " " + items_[i].text);
    }
    if (!faults.empty()) {
        // The delivered items in runs of consecutive drops, for reading the fault against the events.
        std::string runs = "delivered in this order:";
        for (std::size_t i = 0; i < order.size(); ++i) {
            std::size_t j = i;
            while (j + 1 < order.size() && order[j] != std::string::npos && order[j + 1] == order[j] + 1) ++j;
            runs += order[i] == std::string::npos ? std::string(" ?") : " #" + std::to_string(order[i]);
            if (j > i) runs += "-#" + std::to_string(order[j]);
            i = j;
        }
        faults.push_back(runs);
    }
    return faults;
}

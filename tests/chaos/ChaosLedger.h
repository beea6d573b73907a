// What a chaos run dropped and what the user was shown, and the promise checked against the
// agent's log of answered calls: every item reached the agent exactly once, in drop order, or
// the user was told about it, cancelled it, or it was still held when the program was told to exit.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

struct ChaosCounts {
    std::size_t dropped = 0, delivered = 0, boxed = 0, cancelled = 0, heldAtExit = 0;
    std::string Describe() const;
};

class ChaosLedger {
public:
    // Each item's text exactly as the agent logs it (UTF-8), unique in the run.
    void Dropped(const std::string& text);
    // The last `count` items were not taken after all (the drop was refused).
    void Withdraw(std::size_t count);
    void BoxShown(const std::string& text);
    // Each with how many items the agent's log showed delivered at that moment.
    void SignInCancelled(std::size_t deliveredSoFar);
    // Parcelo was told to exit: what it still held goes with it.
    void Exited(std::size_t deliveredSoFar);

    std::size_t Items() const { return items_.size(); }
    // The answered Upload items in the agent's log, in order.
    static std::vector<std::string> Delivered(const std::vector<std::string>& log);
    // Every break of the promise, one line each; none when it holds.
    std::vector<std::string> Check(const std::vector<std::string>& log, ChaosCounts* counts) const;

private:
    struct Item {
        std::string text;
        std::size_t life;  // which start of the program it was dropped on
    };
    struct Mark {
        std::size_t itemsBefore;
        std::size_t life;
        std::string text;
        std::size_t deliveredBefore = 0;
    };
    // Delivered items by drop index, in the log's order (npos for one never dropped).
    using Order = std::vector<std::size_t>;
    bool HeldUntil(std::size_t index, const Mark& mark, const Order& order) const;
    std::vector<bool> CountedInBoxes(const std::vector<int>& times) const;
    bool Accounted(std::size_t index, const Order& order, bool counted, ChaosCounts* counts) const;

    std::vector<Item> items_;
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<Mark> boxes_, cancels_, exits_;
    std::size_t life_ = 0;
};

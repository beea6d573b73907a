// When changes of the status are told to screen readers: at once after a quiet spell, else
// held and told together once the spacing has passed, so that a long upload's progress
// speaks at most twice a second and its last state is never lost. No windows.h here.
#pragma once

#include <cstdint>

constexpr std::uint32_t ANNOUNCE_SPACING_MS = 500;

class AnnounceGate {
public:
    explicit AnnounceGate(std::uint32_t spacingMs = ANNOUNCE_SPACING_MS) : spacing_(spacingMs) {}

    // A change at `now` (milliseconds of a steady clock): true when it is to be told now;
    // otherwise it is held until Due() says so.
    bool Change(std::uint64_t now);
    // True, once, when something held may be told at `now`.
    bool Due(std::uint64_t now);
    bool Held() const { return held_; }
    // Milliseconds from `now` until what is held may be told; 0 when nothing is held.
    std::uint32_t Wait(std::uint64_t now) const;

private:
    std::uint32_t spacing_;
    std::uint64_t last_ = 0;
    bool told_ = false;
    bool held_ = false;
};

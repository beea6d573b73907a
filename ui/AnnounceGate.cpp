#include "ui/AnnounceGate.h"

bool AnnounceGate::Change(std::uint64_t now) {
    if (!held_ && (!told_ || now - last_ >= spacing_)) {
        told_ = true;
        last_ = now;
        return true;
    }
    held_ = true;
    return false;
}

bool AnnounceGate::Due(std::uint64_t now) {
    if (!held_ || now - last_ < spacing_) return false;
    held_ = false;
    last_ = now;
    return true;
}

std::uint32_t AnnounceGate::Wait(std::uint64_t now) const {
    if (!held_) return 0;
    const std::uint64_t passed = now - last_;
    return passed >= spacing_ ? 0 : static_cast<std::uint32_t>(spacing_ - passed);
}

// Items that waited for a sign-in, taken out to be handed over, with the Locker request in its
// place among them. No windows.h here.
#pragma once

#include <cstddef>
#include <vector>

#include "drop/UploadItem.h"

struct HeldWork {
    static constexpr std::size_t NO_LOCKER = static_cast<std::size_t>(-1);
    std::vector<UploadItem> items;
    std::size_t openLockerAt = NO_LOCKER;  // opened before the item of this index (or after the last)
    bool Empty() const { return items.empty() && openLockerAt == NO_LOCKER; }
};

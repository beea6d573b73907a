// This process's HKEY_CURRENT_USER mapped onto a fresh key of its own while the object
// lives: tests in other processes run side by side in the same prefix, and must neither
// see nor change the settings a test has written. Every test whose program code runs in its
// own process keeps the settings this way.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/Owned.h"

class PrivateHive {
public:
    PrivateHive();
    ~PrivateHive();
    PrivateHive(const PrivateHive&) = delete;
    PrivateHive& operator=(const PrivateHive&) = delete;

private:
    std::string path_;
    OwnedKey root_;
};

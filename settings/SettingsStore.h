// The settings kept in the per-user registry under "Software\Sonavo Inc.\Parcelo": the
// stored shape only; when they are read and written, and what the window does with its
// place, is the window's.
#pragma once

#include <windows.h>
#include <cstdint>

#include "settings/UserSettings.h"

// The window's place as stored; a coordinate counts only when it was there and was taken.
struct StoredPlace {
    bool keyPresent = false;
    bool hasX = false;
    bool hasY = false;
    int32_t x = 0;
    int32_t y = 0;
};

// Reads the Proxy, Position and User keys into `settings` and `place`; what is not there, or
// not taken, leaves its field as it was ("Auto Login" then counts as 0).
void ReadStoredSettings(UserSettings& settings, StoredPlace& place);
// Writes every value, key by key in the order Proxy, Position, User; a key that cannot be
// opened is skipped.
void WriteStoredSettings(const UserSettings& settings, const RECT& windowRect, bool visible);
// Deletes the product key with its subkeys; the vendor key stays.
void DeleteStoredSettings();
// Whether the user was told once that Parcelo uses an UploadAgent installed after the Local
// Locker ("Local Locker Notice" in the product key), and remembering that it was.
bool LockerNoticeShown();
void RememberLockerNotice();

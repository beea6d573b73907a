// Owning registry key with typed, defensive reads (short or unterminated data is tolerated).
// Wide throughout: key paths and values may hold any character (a folder under a user's
// profile named in any script).
#pragma once

#include <windows.h>
#include <string>

#include "win/OwnedHandle.h"

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}

    static RegKey Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
    static RegKey Create(HKEY root, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);

    bool Valid() const { return key_.Valid(); }
    HKEY Get() const { return key_.Get(); }

    // A null name is the key's default value.
    DWORD TypeOf(const wchar_t* name) const;  // REG_NONE when missing
    bool ReadNumber(const wchar_t* name, ULONGLONG* out) const;  // REG_DWORD or REG_QWORD
    bool ReadString(const wchar_t* name, std::wstring* out) const;

    LSTATUS SetString(const wchar_t* name, const std::wstring& value);
    LSTATUS SetDword(const wchar_t* name, DWORD value);
    LSTATUS DeleteValue(const wchar_t* name);

private:
    OwnedKey key_;
};

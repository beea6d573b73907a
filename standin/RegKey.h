// Owning registry key with typed, defensive reads (short or unterminated data is tolerated).
// Wide throughout: key paths and values may hold any character (a Locker under a user folder
// named in any script).
#pragma once

#include <windows.h>
#include <string>

namespace standin {

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();

    static RegKey Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
    static RegKey Create(HKEY root, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);

    bool valid() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    // A null name is the key's default value.
    DWORD typeOf(const wchar_t* name) const;  // REG_NONE when missing
    bool readNumber(const wchar_t* name, ULONGLONG* out) const;  // REG_DWORD or REG_QWORD
    bool readString(const wchar_t* name, std::wstring* out) const;

    LSTATUS setString(const wchar_t* name, const std::wstring& value);
    LSTATUS setDword(const wchar_t* name, DWORD value);
    LSTATUS deleteValue(const wchar_t* name);

private:
    void close();
    HKEY key_ = nullptr;
};

}  // namespace standin

// Owning registry key with typed, defensive reads (short or unterminated data is tolerated).
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

    static RegKey Open(HKEY root, const std::string& path, REGSAM access = KEY_READ);
    static RegKey Create(HKEY root, const std::string& path, REGSAM access = KEY_READ | KEY_WRITE);

    bool valid() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    DWORD typeOf(const char* name) const;  // REG_NONE when missing
    bool readNumber(const char* name, ULONGLONG* out) const;  // REG_DWORD or REG_QWORD
    bool readString(const char* name, std::string* out) const;
    bool readWideString(const char* name, std::wstring* out) const;

    LSTATUS setString(const char* name, const std::string& value);
    LSTATUS setWideString(const char* name, const std::wstring& value);
    LSTATUS setDword(const char* name, DWORD value);
    LSTATUS deleteValue(const char* name);

private:
    void close();
    HKEY key_ = nullptr;
};

}  // namespace standin

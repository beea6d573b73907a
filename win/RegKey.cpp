#include "win/RegKey.h"

#include <vector>

RegKey RegKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

RegKey RegKey::Create(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

DWORD RegKey::TypeOf(const wchar_t* name) const {
    DWORD type = REG_NONE;
    if (!key_ || RegQueryValueExW(key_.Get(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool RegKey::ReadNumber(const wchar_t* name, ULONGLONG* out) const {
    if (!key_) return false;
    // Zero-filled so a value stored shorter than its type reads without stale bytes.
    BYTE data[8] = {};
    DWORD type = REG_NONE, size = sizeof(data);
    if (RegQueryValueExW(key_.Get(), name, nullptr, &type, data, &size) != ERROR_SUCCESS) return false;
    if (type != REG_DWORD && type != REG_QWORD) return false;
    if (type == REG_DWORD && size > 4) return false;
    ULONGLONG value = 0;
    for (DWORD i = size; i > 0; --i) value = (value << 8) | data[i - 1];
    *out = value;
    return true;
}

bool RegKey::ReadString(const wchar_t* name, std::wstring* out) const {
    if (!key_) return false;
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key_.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    // The extra zeros terminate data stored without a terminator, or of an odd length.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key_.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    out->assign(buffer.data());
    return true;
}

LSTATUS RegKey::SetString(const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key_.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegKey::SetDword(const wchar_t* name, DWORD value) {
    return RegSetValueExW(key_.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LSTATUS RegKey::DeleteValue(const wchar_t* name) { return RegDeleteValueW(key_.Get(), name); }

#include "tests/support/Registry.h"

#include "tests/support/Files.h"
#include "tests/support/Owned.h"

std::string RegText(HKEY root, const std::string& key, const char* name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    const std::wstring value = name ? FromUtf8(name) : std::wstring();
    if (RegGetValueW(root, FromUtf8(key).c_str(), name ? value.c_str() : nullptr, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return ABSENT_TEXT;
    return Utf8(text);
}

DWORD RegNumber(HKEY root, const std::string& key, const char* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return ABSENT_NUMBER;
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    OwnedKey owned(opened);
    return true;
}

bool CreateKey(HKEY root, const std::string& key) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return false;
    OwnedKey owned(created);
    return true;
}

bool SetRegText(HKEY root, const std::string& key, const char* name, const std::wstring& text, REGSAM view) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, FromUtf8(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const OwnedKey owned(created);
    const std::wstring value = name ? FromUtf8(name) : std::wstring();
    return RegSetValueExW(created, name ? value.c_str() : nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetRegNumber(HKEY root, const std::string& key, const char* name, DWORD number) {
    return RegSetKeyValueW(root, FromUtf8(key).c_str(), FromUtf8(name).c_str(), REG_DWORD, &number, sizeof number) ==
           ERROR_SUCCESS;
}

namespace {

std::string ContentsOf(HKEY root, const std::wstring& key, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) return ABSENT_TEXT;
    const OwnedKey owned(opened);
    std::string contents = "[" + Utf8(key) + "]\n";
    wchar_t name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = ARRAYSIZE(name), dataSize = sizeof data, type = 0;
        if (RegEnumValueW(opened, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        contents += Utf8(std::wstring(name, nameSize)) + ":" + std::to_string(type) + "=" +
                    std::string(reinterpret_cast<const char*>(data), dataSize) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = ARRAYSIZE(name);
        if (RegEnumKeyExW(opened, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        contents += ContentsOf(root, key + L"\\" + std::wstring(name, nameSize), view);
    }
    return contents;
}

}  // namespace

std::string KeyContents(HKEY root, const std::string& key, REGSAM view) { return ContentsOf(root, FromUtf8(key), view); }

std::string StoredText(const char* subkey, const char* name) {
    return RegText(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\" + subkey, name);
}

DWORD StoredNumber(const char* subkey, const char* name) {
    return RegNumber(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\" + subkey, name);
}

void StoreAutomaticSignIn(const std::string& account, const std::string& password) {
    const std::string user = std::string(PRODUCT_KEY) + "\\User";
    SetRegText(HKEY_CURRENT_USER, user, "User name", FromUtf8(account));
    SetRegText(HKEY_CURRENT_USER, user, "Password", FromUtf8(password));
    SetRegNumber(HKEY_CURRENT_USER, user, "Auto Login", 1);
}

void DeleteProductKey() { RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY); }

#include "installer/plugin/RegistryClasses.h"

#include <windows.h>

#include <vector>

namespace setup {

namespace {

struct OpenedKey {
    HKEY key = nullptr;
    ~OpenedKey() {
        if (key) RegCloseKey(key);
    }
};

}  // namespace

std::optional<std::wstring> RegistryClasses::Text(Hive hive, View view, const std::wstring& key,
                                                  const std::wstring& name) const {
    const HKEY root = hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const REGSAM side = view == View::Native ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    OpenedKey opened;
    if (RegOpenKeyExW(root, (L"Software\\Classes\\" + key).c_str(), 0, KEY_QUERY_VALUE | side, &opened.key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const wchar_t* const valueName = name.empty() ? nullptr : name.c_str();
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(opened.key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    // Zero-filled and one longer: a value stored without its terminator still ends.
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(opened.key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text.data());
}

}  // namespace setup

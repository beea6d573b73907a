#include "installer/plugin/RegistryClasses.h"

#include <windows.h>

#include "win/RegKey.h"

namespace setup {

std::optional<std::wstring> RegistryClasses::Text(Hive hive, View view, const std::wstring& key,
                                                  const std::wstring& name) const {
    const HKEY root = hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const REGSAM side = view == View::Native ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const RegKey opened = RegKey::Open(root, L"Software\\Classes\\" + key, KEY_QUERY_VALUE | side);
    std::wstring text;
    if (!opened.ReadString(name.empty() ? nullptr : name.c_str(), &text)) return std::nullopt;
    return text;
}

bool RegistryClasses::ProgramExists(const std::wstring& path) const {
    // %ProgramFiles% and the like, as COM expands them.
    std::wstring expanded(32768, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(path.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
    expanded.resize(length > 0 && length <= expanded.size() ? length - 1 : 0);
    if (expanded.empty()) expanded = path;
    if (expanded.find_first_of(L"\\/") == std::wstring::npos) return true;  // found on the search path, if at all
    const DWORD attributes = GetFileAttributesW(expanded.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace setup

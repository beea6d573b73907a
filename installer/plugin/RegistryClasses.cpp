#include "installer/plugin/RegistryClasses.h"

#include <windows.h>

#include "standin/RegKey.h"

namespace setup {

std::optional<std::wstring> RegistryClasses::Text(Hive hive, View view, const std::wstring& key,
                                                  const std::wstring& name) const {
    const HKEY root = hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const REGSAM side = view == View::Native ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const standin::RegKey opened = standin::RegKey::Open(root, L"Software\\Classes\\" + key, KEY_QUERY_VALUE | side);
    std::wstring text;
    if (!opened.readString(name.empty() ? nullptr : name.c_str(), &text)) return std::nullopt;
    return text;
}

}  // namespace setup

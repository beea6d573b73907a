#include "agent/VersionGate.h"

#include <cwchar>

bool IsCompatibleVersion(const wchar_t* versionText) {
    if (!versionText || !*versionText) return false;
    return std::wcsncmp(L"1.6.000", versionText, 5) <= 0;
}

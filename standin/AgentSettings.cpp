#include "AgentSettings.h"

#include <shlobj.h>

#include "LockerNames.h"
#include "ServerModule.h"
#include "StandinIds.h"
#include "win/RegKey.h"

namespace standin {

std::wstring AgentSettings::LockerRoot() {
    std::wstring root;
    if (RegKey::Open(HKEY_CURRENT_USER, AGENT_KEY_W).ReadString(L"LockerRoot", &root) && !root.empty()) return root;
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)))
        return std::wstring();
    return std::wstring(local) + L"\\Velorex\\Locker";
}

std::wstring AgentSettings::LockerOf(const std::wstring& account) {
    std::wstring root = LockerRoot();
    if (root.empty()) return root;
    if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
    return root + EscapeReservedName(account);
}

ULONGLONG AgentSettings::QuotaBytes() {
    ULONGLONG quota = 0;
    if (RegKey::Open(HKEY_CURRENT_USER, AGENT_KEY_W).ReadNumber(L"QuotaBytes", &quota)) return quota;
    return 10ull << 30;
}

DWORD AgentSettings::ChunkDelayMs() {
    ULONGLONG delay = 0;
    RegKey::Open(HKEY_CURRENT_USER, AGENT_KEY_W).ReadNumber(L"ChunkDelay", &delay);
    return static_cast<DWORD>(delay < 60000 ? delay : 60000);
}

DWORD AgentSettings::DownloadLimitMs(const wchar_t* name, DWORD standard) {
    // Only a test shortens them, so that a download that never ends fails within seconds.
    ULONGLONG limit = 0;
    if (ServerModule::Scripted() && RegKey::Open(HKEY_CURRENT_USER, SCRIPT_KEY_W).ReadNumber(name, &limit) && limit > 0)
        return static_cast<DWORD>(limit < standard ? limit : standard);
    return standard;
}

bool AgentSettings::UpgradeAvailable() {
    ULONGLONG flag = 0;
    return RegKey::Open(HKEY_CURRENT_USER, AGENT_KEY_W).ReadNumber(L"UpgradeAvailable", &flag) && flag == 1;
}

void AgentSettings::ClearUpgradeAvailable() {
    RegKey key = RegKey::Open(HKEY_CURRENT_USER, AGENT_KEY_W, KEY_SET_VALUE);
    if (key.Valid()) key.DeleteValue(L"UpgradeAvailable");
}

void AgentSettings::SetRegisteredUser(const std::wstring& extra) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, AGENT_KEY_W);
    if (key.Valid()) key.SetString(L"RegisteredUser", extra);
}

}  // namespace standin

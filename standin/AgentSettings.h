// The agent's own settings under HKCU\Software\Velorex\UploadAgent, read at each use so
// they can change while the agent runs.
#pragma once

#include <windows.h>
#include <string>

namespace standin {

class AgentSettings {
public:
    static std::wstring LockerRoot();  // LockerRoot, else <local app data>\Velorex\Locker
    // The account's Locker folder; an address that Win32 would take for a device is escaped.
    static std::wstring LockerOf(const std::wstring& account);
    static ULONGLONG QuotaBytes();     // QuotaBytes (per account), else 10 GiB
    static DWORD ChunkDelayMs();       // ChunkDelay, to simulate a slow line; else 0
    // A download's time limit: `standard`, or in scripted mode a shorter one the script names.
    static DWORD DownloadLimitMs(const wchar_t* name, DWORD standard);
    static bool UpgradeAvailable();
    static void ClearUpgradeAvailable();
    static void SetRegisteredUser(const std::wstring& extra);
};

}  // namespace standin

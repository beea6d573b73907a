#include "app/LockerStepAside.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "app/HiddenAgent.h"
#include "settings/SettingsStore.h"
#include "win/PathNames.h"
#include "win/RegKey.h"
#include "win/UniqueHandle.h"

namespace {

const wchar_t CLASS_SERVER_KEY[] = L"Software\\Classes\\CLSID\\{3E6889A5-4443-43F8-9306-B167252B7FFB}\\LocalServer32";
// The Locker keeps its settings here, and the folder it keeps what was dropped in.
const wchar_t LOCKER_SETTINGS_KEY[] = L"Software\\Velorex\\UploadAgent";
// The longest path Windows hands out, in characters.
constexpr DWORD LONGEST_PATH = 32768;
// Unregistering takes a moment; a Locker that hangs must not hold Parcelo's start for good.
constexpr DWORD UNREGISTER_WAIT_MS = 30000;

// A text value as stored (an expandable one unexpanded); empty when there is none.
std::wstring ReadText(HKEY root, const wchar_t* path, REGSAM view, const wchar_t* name) {
    std::wstring text;
    if (!RegKey::Open(root, path, KEY_QUERY_VALUE | view).ReadString(name, &text)) text.clear();
    return text;
}

class RegistryClassServers final : public ClassServers {
public:
    std::wstring Command(ClassPlace place) const override {
        const bool user = place == ClassPlace::UserNative || place == ClassPlace::UserWow32;
        const bool native = place == ClassPlace::UserNative || place == ClassPlace::MachineNative;
        return ReadText(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, CLASS_SERVER_KEY,
                        native ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, nullptr);
    }
    bool ProgramExists(const std::wstring& path) const override {
        // A bare name is found on the search path, if at all: it cannot be told here.
        if (path.find_first_of(L"\\/") == std::wstring::npos) return true;
        std::vector<wchar_t> expanded(LONGEST_PATH, L'\0');
        if (!ExpandEnvironmentStringsW(path.c_str(), expanded.data(), LONGEST_PATH)) return false;
        const DWORD attributes = GetFileAttributesW(expanded.data());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

std::wstring OwnFolder() {
    const std::wstring path = OwnImagePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The Locker's own per-user unregistration: it knows which of its keys are its own.
bool UnregisterLocker(const std::wstring& folder) {
    std::wstring command = L"\"" + folder + L"\\UploadAgent.exe\" /UnregServer";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
        return false;
    const UniqueHandle process(info.hProcess), thread(info.hThread);
    DWORD code = 1;
    return WaitForSingleObject(process.Get(), UNREGISTER_WAIT_MS) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process.Get(), &code) && code == 0;
}

std::wstring LockerFolder() {
    const std::wstring root = ReadText(HKEY_CURRENT_USER, LOCKER_SETTINGS_KEY, 0, L"LockerRoot");
    if (!root.empty()) return root;
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::wstring(local) + L"\\Velorex\\Locker";
}

}  // namespace

std::wstring StepAsideForInstalledAgent() {
    const std::wstring folder = OwnFolder();
    if (folder.empty() || AgentHiddenByLocker(RegistryClassServers(), folder).empty()) return std::wstring();
    // Not taken away: the Locker still answers, and the next start tries again.
    if (!UnregisterLocker(folder) || LockerNoticeShown()) return std::wstring();
    RememberLockerNotice();
    return L"UploadAgent is installed now. Parcelo uses it instead of the Local Locker; what you dropped before "
           L"stays in " +
           LockerFolder() + L".";
}

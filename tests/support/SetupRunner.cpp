#include "tests/support/SetupRunner.h"

#include <algorithm>
#include <vector>

namespace {

const wchar_t SESSION_MANAGER_KEY[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// This process's environment with TEMP and TMP sent to `temp`, sorted as Windows keeps it.
std::wstring ChildEnvironment(const std::wstring& temp) {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        const std::wstring name = entry.substr(0, entry.find(L'=', 1));
        if (_wcsicmp(name.c_str(), L"TEMP") != 0 && _wcsicmp(name.c_str(), L"TMP") != 0) entries.push_back(entry);
    }
    FreeEnvironmentStringsW(block);
    entries.push_back(L"TEMP=" + temp);
    entries.push_back(L"TMP=" + temp);
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring result;
    for (const std::wstring& entry : entries) result += entry + L'\0';
    return result + L'\0';
}

// The limited token of an elevated administrator; null (this process's own token) otherwise.
UniqueHandle NormalToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return UniqueHandle();
    const UniqueHandle token(own);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    TOKEN_LINKED_TOKEN linked = {};
    if (!GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) || type != TokenElevationTypeFull ||
        !GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
        return UniqueHandle();
    return UniqueHandle(linked.LinkedToken);
}

}  // namespace

SetupRun::SetupRun(const std::wstring& commandLine, const std::wstring& temp, bool wholeTree, SetupToken token)
    : job_(CreateJobObjectW(nullptr, nullptr)), port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    if (!job_.Valid() || !port_.Valid()) return;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {job_.Get(), port_.Get()};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | (wholeTree ? 0 : JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK);
    if (!SetInformationJobObject(job_.Get(), JobObjectAssociateCompletionPortInformation, &association,
                                 sizeof association) ||
        !SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return;

    std::wstring environment = ChildEnvironment(temp);
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    const UniqueHandle normal = token == SetupToken::Normal ? NormalToken() : UniqueHandle();
    const BOOL created =
        normal.Valid() ? CreateProcessAsUserW(normal.Get(), nullptr, &line[0], nullptr, nullptr, FALSE, flags,
                                              &environment[0], nullptr, &startup, &info)
                       : CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, flags, &environment[0], nullptr,
                                        &startup, &info);
    if (!created) return;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (!AssignProcessToJobObject(job_.Get(), process.Get())) {
        TerminateProcess(process.Get(), 1);  // ours, never resumed
        return;
    }
    ResumeThread(thread.Get());
    process_ = std::move(process);
}

SetupRun::~SetupRun() {
    if (process_.Valid()) {
        TerminateJobObject(job_.Get(), 99);
        WaitForSingleObject(process_.Get(), 15000);
    }
}

RunResult SetupRun::Wait(DWORD timeoutMs, const std::function<void()>& beforeKill) {
    RunResult result;
    if (!process_.Valid()) return result;
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        DWORD message = 0;
        ULONG_PTR completionKey = 0;
        LPOVERLAPPED overlapped = nullptr;
        if (now >= end || !GetQueuedCompletionStatus(port_.Get(), &message, &completionKey, &overlapped,
                                                     static_cast<DWORD>(end - now))) {
            if (beforeKill) beforeKill();
            TerminateJobObject(job_.Get(), 99);
            WaitForSingleObject(process_.Get(), timeoutMs);
            return result;
        }
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
    }
    result.finished = WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
    GetExitCodeProcess(process_.Get(), &result.exitCode);
    return result;
}

std::optional<ScopedRegValue> MenuBuilderOff() {
    const char* const overrides = "Software\\Wine\\DllOverrides";
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version") ||
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"winemenubuilder.exe", RRF_RT_ANY, nullptr,
                     nullptr, nullptr) == ERROR_SUCCESS)
        return std::nullopt;
    return std::optional<ScopedRegValue>(std::in_place, HKEY_CURRENT_USER, overrides, "winemenubuilder.exe",
                                         std::string());
}

void ForgetPendingDeletes(const std::wstring& marker) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    const OwnedKey owned(key);
    const wchar_t name[] = L"PendingFileRenameOperations";
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ) return;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return;
    // Pairs of source and target; a deletion's target is an empty string.
    std::vector<std::wstring> items;
    const size_t count = size / sizeof(wchar_t);
    for (size_t i = 0; i < count;) {
        items.emplace_back(&data[i]);
        i += items.back().size() + 1;
    }
    std::wstring lowerMarker = marker;
    for (wchar_t& c : lowerMarker) c = towlower(c);
    std::wstring kept;
    bool dropped = false;
    for (size_t i = 0; i + 1 < items.size(); i += 2) {
        if (items[i].empty()) break;
        std::wstring lower = items[i];
        for (wchar_t& c : lower) c = towlower(c);
        if (lower.find(lowerMarker) != std::wstring::npos) {
            dropped = true;
            continue;
        }
        kept += items[i] + L'\0' + items[i + 1] + L'\0';
    }
    if (dropped && kept.empty()) RegDeleteValueW(key, name);
    if (dropped && !kept.empty()) {
        kept += L'\0';
        RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
}

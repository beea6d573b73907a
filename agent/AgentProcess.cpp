#include "agent/AgentProcess.h"

#include <objbase.h>
#include <tlhelp32.h>

#include <cwchar>

#include "agent/AgentProtocol.h"
#include "agent/ServerPath.h"
#include "agent/UniqueHandle.h"

namespace {

// The same file whatever the form it was written in: full, long, compared without case.
std::wstring Canonical(const std::wstring& path) {
    if (path.empty()) return path;
    wchar_t full[MAX_PATH * 4] = {};
    DWORD length = GetFullPathNameW(path.c_str(), ARRAYSIZE(full), full, nullptr);
    if (length == 0 || length >= ARRAYSIZE(full)) return path;
    wchar_t longer[MAX_PATH * 4] = {};
    length = GetLongPathNameW(full, longer, ARRAYSIZE(longer));
    return length == 0 || length >= ARRAYSIZE(longer) ? std::wstring(full) : std::wstring(longer);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring BaseName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The user a process runs as, as a SID in a buffer of its own; empty when it cannot be read.
std::vector<unsigned char> UserOf(HANDLE process) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened)) return {};
    const UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return {};
    return user;
}

bool SameUser(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.empty() || b.empty()) return false;
    return EqualSid(reinterpret_cast<const TOKEN_USER*>(a.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(b.data())->User.Sid) != FALSE;
}

}  // namespace

std::wstring RegisteredAgentPath() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid))) return std::wstring();
    wchar_t text[64] = {};
    if (StringFromGUID2(clsid, text, ARRAYSIZE(text)) == 0) return std::wstring();
    const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\LocalServer32";
    DWORD size = 0;
    // A REG_EXPAND_SZ comes back expanded.
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring command(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(command.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, &command[0], &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    command.resize(wcsnlen(command.c_str(), command.size()));
    return Canonical(ServerImagePath(command));
}

std::vector<DWORD> FindAgentProcesses() {
    std::vector<DWORD> found;
    const std::wstring path = RegisteredAgentPath();
    if (path.empty()) return found;
    const std::wstring name = BaseName(path);
    DWORD ourSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ourSession);
    const std::vector<unsigned char> us = UserOf(GetCurrentProcess());
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId() || !SamePath(entry.szExeFile, name)) continue;
        DWORD session = 0;
        if (!ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ourSession) continue;
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process.valid()) continue;
        wchar_t image[MAX_PATH * 4] = {};
        DWORD length = ARRAYSIZE(image);
        if (!QueryFullProcessImageNameW(process.get(), 0, image, &length)) continue;
        if (SamePath(Canonical(image), path) && SameUser(UserOf(process.get()), us))
            found.push_back(entry.th32ProcessID);
    }
    return found;
}

bool EndAgentProcesses() {
    bool ended = false;
    for (DWORD pid : FindAgentProcesses()) {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        if (process.valid() && TerminateProcess(process.get(), 1)) ended = true;
    }
    return ended;
}

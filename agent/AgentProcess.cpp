#include "agent/AgentProcess.h"

#include <objbase.h>
#include <tlhelp32.h>

#include <cwchar>

#include "agent/AgentProtocol.h"
#include "agent/ServerPath.h"
#include "win/PathNames.h"
#include "win/UniqueHandle.h"

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
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) return {};
    return user;
}

constexpr DWORD NO_SESSION = 0xFFFFFFFF;

// The session a process runs in, read from its own token.
DWORD SessionOf(HANDLE process) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened)) return NO_SESSION;
    const UniqueHandle token(opened);
    DWORD session = 0, size = 0;
    return GetTokenInformation(token.Get(), TokenSessionId, &session, sizeof session, &size) ? session : NO_SESSION;
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

std::vector<UniqueHandle> FindAgentProcesses(const std::wstring& image) {
    std::vector<UniqueHandle> found;
    const std::wstring path = Canonical(image);
    if (path.empty()) return found;
    // The list of processes names each by the file it was started as, which may be the short form.
    const std::wstring name = BaseName(path);
    wchar_t shortPath[MAX_PATH * 4] = {};
    const DWORD shortLength = GetShortPathNameW(path.c_str(), shortPath, ARRAYSIZE(shortPath));
    const std::wstring shortName =
        shortLength > 0 && shortLength < ARRAYSIZE(shortPath) ? BaseName(shortPath) : name;
    const DWORD ourSession = SessionOf(GetCurrentProcess());
    const std::vector<unsigned char> us = UserOf(GetCurrentProcess());
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid() || ourSession == NO_SESSION) return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        if (!SameIgnoringCase(entry.szExeFile, name) && !SameIgnoringCase(entry.szExeFile, shortName)) continue;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                         entry.th32ProcessID));
        if (!process.Valid() || SessionOf(process.Get()) != ourSession) continue;
        const std::wstring started = ProcessImagePath(process.Get());
        if (started.empty()) continue;
        if (SameIgnoringCase(Canonical(started), path) && SameUser(UserOf(process.Get()), us))
            found.push_back(std::move(process));
    }
    return found;
}

bool EndProcesses(const std::vector<UniqueHandle>& found) {
    bool ended = false;
    for (const UniqueHandle& process : found)
        // One that has ended by itself meanwhile is left as it is.
        if (WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT && TerminateProcess(process.Get(), 1)) ended = true;
    return ended;
}

bool EndAgentProcesses() {
    const std::wstring path = RegisteredAgentPath();
    return !path.empty() && EndProcesses(FindAgentProcesses(path));
}

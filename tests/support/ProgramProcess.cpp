#include "tests/support/ProgramProcess.h"

#include "tests/support/WindowFacts.h"

#include <tlhelp32.h>

#include "tests/support/Files.h"
#include "win/PathNames.h"

std::set<DWORD> ProcessesNamed(const std::string& exeName) {
    std::set<DWORD> found;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, exeName.c_str()) == 0) found.insert(entry.th32ProcessID);
    return found;
}

size_t ThreadsOf(DWORD pid) {
    size_t count = 0;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.Valid()) return count;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry))
        if (entry.th32OwnerProcessID == pid) ++count;
    return count;
}

bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !process.Valid() || WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

std::vector<UniqueHandle> ProcessesIn(const std::string& exeName, const std::wstring& folder) {
    std::vector<UniqueHandle> found;
    for (DWORD pid : ProcessesNamed(exeName)) {
        UniqueHandle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
        const std::wstring image = process.Valid() ? ProcessImagePath(process.Get()) : std::wstring();
        if (image.empty()) continue;
        const std::wstring prefix = folder + L"\\";
        if (folder.empty() ||
            (image.size() > prefix.size() && SameIgnoringCase(image.substr(0, prefix.size()), prefix)))
            found.push_back(std::move(process));
    }
    return found;
}

bool AllEnded(const std::vector<UniqueHandle>& processes, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (const UniqueHandle& process : processes) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        if (WaitForSingleObject(process.Get(), left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

bool ProgramProcess::Start(const std::string& commandLine) { return Start(Wide(commandLine)); }

bool ProgramProcess::Start(const std::wstring& commandLine) {
    End();
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return false;
    process_.Reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    pid_ = info.dwProcessId;
    return true;
}

void ProgramProcess::Adopt(UniqueHandle process) {
    End();
    pid_ = GetProcessId(process.Get());
    process_ = std::move(process);
}

void ProgramProcess::End() {
    if (Running()) {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 15000);
    }
    process_.Reset();
    pid_ = 0;
}

bool ProgramProcess::Running() const { return Started() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

DWORD ProgramProcess::WaitForExit(DWORD timeoutMs) const {
    if (!Started() || WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

std::vector<HWND> ProgramProcess::Search(const char* className, const char* title, bool shownOnly,
                                         const std::string* childText) const {
    std::vector<HWND> found;
    if (!Started()) return found;
    for (HWND window = FindWindowExA(nullptr, nullptr, className, title); window;
         window = FindWindowExA(nullptr, window, className, title)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == pid_ && (!shownOnly || IsWindowVisible(window)) && (!childText || ChildWithText(window, *childText)))
            found.push_back(window);
    }
    return found;
}

HWND ProgramProcess::Find(const char* className, const char* title) const {
    const std::vector<HWND> found = Search(className, title, false);
    return found.empty() ? nullptr : found.front();
}

HWND ProgramProcess::FindShown(const char* className, const char* title) const {
    const std::vector<HWND> found = Search(className, title, true);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> ProgramProcess::AllShown(const char* className) const { return Search(className, nullptr, true); }

HWND ProgramProcess::FindShownWith(const char* className, const char* title, const std::string& childText) const {
    const std::vector<HWND> found = Search(className, title, true, &childText);
    return found.empty() ? nullptr : found.front();
}

HWND ProgramProcess::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    PumpUntil([&] { return (found = Find(className, title)) != nullptr; }, timeoutMs);
    return found;
}

HWND ProgramProcess::WaitForShown(const char* className, const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindShown(className, title)) != nullptr; }, timeoutMs);
    return found;
}

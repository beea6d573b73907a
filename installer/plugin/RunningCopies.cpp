#include "installer/plugin/RunningCopies.h"

#include <psapi.h>

#include <vector>

#include "installer/plugin/ErrorText.h"
#include "win/PathNames.h"
#include "win/UniqueHandle.h"

namespace setup {

namespace {

constexpr const wchar_t* PARCELO_EXE = L"parcelo.exe";
constexpr const wchar_t* AGENT_EXE = L"UploadAgent.exe";
constexpr const wchar_t* WINDOW_CLASS = L"Sonavo";
constexpr WPARAM EXIT_COMMAND = 32770;
// A process that was ended goes within moments; this only bounds the wait for one that does not.
constexpr DWORD END_WAIT_MS = 5000;

std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path + L"\\" + name;
}

std::vector<DWORD> AllProcesses() {
    std::vector<DWORD> ids(1024);
    for (;;) {
        DWORD bytes = 0;
        if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
        if (bytes < ids.size() * sizeof(DWORD)) {
            ids.resize(bytes / sizeof(DWORD));
            return ids;
        }
        ids.resize(ids.size() * 2);  // the list may have been cut short
    }
}

struct ParceloWindow {
    HWND window;
    DWORD pid;
};

BOOL CALLBACK CollectParceloWindow(HWND window, LPARAM list) {
    wchar_t name[16] = {};
    DWORD pid = 0;
    if (GetClassNameW(window, name, ARRAYSIZE(name)) && wcscmp(name, WINDOW_CLASS) == 0 &&
        GetWindowThreadProcessId(window, &pid))
        reinterpret_cast<std::vector<ParceloWindow>*>(list)->push_back({window, pid});
    return TRUE;
}

int CountRunningOf(const std::wstring& first, const std::wstring& second) {
    int count = 0;
    for (DWORD pid : AllProcesses()) {
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process.Valid()) continue;
        const std::wstring image = ProcessImagePath(process.Get());
        if (SameIgnoringCase(image, first) || SameIgnoringCase(image, second)) ++count;
    }
    return count;
}

}  // namespace

int CountRunning(const std::wstring& folder) {
    return CountRunningOf(InFolder(folder, PARCELO_EXE), InFolder(folder, AGENT_EXE));
}

int CountParcelo(const std::wstring& folder) {
    const std::wstring parcelo = InFolder(folder, PARCELO_EXE);
    return CountRunningOf(parcelo, parcelo);
}

int EndAgent(const std::wstring& folder) {
    const std::wstring agent = InFolder(folder, AGENT_EXE);
    int ended = 0;
    for (DWORD pid : AllProcesses()) {
        const UniqueHandle process(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process.Valid() || !SameIgnoringCase(ProcessImagePath(process.Get()), agent)) continue;
        if (TerminateProcess(process.Get(), 1) && WaitForSingleObject(process.Get(), END_WAIT_MS) == WAIT_OBJECT_0)
            ++ended;
    }
    return ended;
}

CloseOutcome CloseParcelo(const std::wstring& folder, DWORD waitMs) {
    // Found first and closed afterwards: a window that goes away would end a search from it.
    std::vector<ParceloWindow> windows;
    EnumWindows(&CollectParceloWindow, reinterpret_cast<LPARAM>(&windows));
    const std::wstring parcelo = InFolder(folder, PARCELO_EXE);
    CloseOutcome outcome;
    for (const ParceloWindow& found : windows) {
        const UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, found.pid));
        if (!process.Valid() || !SameIgnoringCase(ProcessImagePath(process.Get()), parcelo)) continue;
        const bool shown = IsWindowVisible(found.window) != FALSE;
        // Refused, for one, when Parcelo runs as administrator and this setup does not.
        if (!PostMessageW(found.window, WM_COMMAND, EXIT_COMMAND, 0)) {
            outcome.failure = L"Parcelo (process " + std::to_wstring(found.pid) +
                              L") could not be asked to close: " + ErrorText(GetLastError()) + L".";
            continue;
        }
        outcome.shown = outcome.shown || shown;
        // A Parcelo busy with a dialog or a slow agent may take longer: it is still running.
        if (WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0)
            ++outcome.closed;
        else
            ++outcome.ending;
    }
    return outcome;
}

}  // namespace setup

// ParceloSetup.dll, the setup's own NSIS plugin: what the script cannot say readably. Each
// function takes its arguments from the NSIS stack (the first argument on top) and leaves its
// results there.
//
//   ParceloSetup::FindOtherAgent SCOPE FOLDER EARLIER -> "" or the other agent, described
//       SCOPE "any" (per user and machine-wide) or "machine"; FOLDER and EARLIER (may be
//       empty) hold this install's own UploadAgent.exe: the install folder, an earlier one.
//   ParceloSetup::IsElevated                        -> "1" or "0"
//   ParceloSetup::IsWine                            -> "1" when Wine runs the setup, else "0"
//   ParceloSetup::CheckAccount                      -> "" or why this account must not install
//   ParceloSetup::StartTurnedOff                    -> "1" when Windows' startup list turns the
//       Run value "Parcelo" off, else "0"
//   ParceloSetup::StartAsUser COMMAND FOLDER        -> "" or why Parcelo was not started
//   ParceloSetup::CountRunning FOLDER               -> how many of its programs run from FOLDER
//   ParceloSetup::CountParcelo FOLDER               -> how many parcelo.exe run from FOLDER
//   ParceloSetup::EndAgent FOLDER                   -> how many UploadAgent.exe of FOLDER ended
//   ParceloSetup::CloseParcelo FOLDER WAIT_MS       -> closed (ended), still ending, shown
//       ("1"/"0"), failure text
#include <windows.h>

#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "installer/plugin/AgentLookup.h"
#include "installer/plugin/RegistryClasses.h"
#include "installer/plugin/RunningCopies.h"
#include "installer/plugin/StartupMark.h"
#include "installer/plugin/UserStart.h"

// NSIS's stack entry: the next entry, then the text in place.
struct StackEntry {
    StackEntry* next;
    wchar_t text[1];
};

namespace {

class Stack {
public:
    Stack(StackEntry** top, int size) : top_(top), size_(size > 0 ? size : 1) {}

    // An empty text when the script pushed too little.
    std::wstring Pop() {
        StackEntry* entry = top_ ? *top_ : nullptr;
        if (!entry) return std::wstring();
        *top_ = entry->next;
        std::wstring text(entry->text);
        GlobalFree(entry);
        return text;
    }
    void Push(const std::wstring& text) {
        if (!top_) return;
        auto* entry = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry) + size_ * sizeof(wchar_t)));
        if (!entry) return;
        lstrcpynW(entry->text, text.c_str(), size_);  // cut to the script's string length
        entry->next = *top_;
        *top_ = entry;
    }

private:
    StackEntry** top_;
    int size_;
};

// The agent's identity, as Parcelo asks COM for it.
const wchar_t AGENT_CLASS_ID[] = L"{3E6889A5-4443-43F8-9306-B167252B7FFB}";
const wchar_t STARTUP_APPROVED_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t RUN_VALUE[] = L"Parcelo";
// Windows writes twelve bytes; a few more would still tell.
constexpr DWORD MARK_BYTES = 64;

}  // namespace

#define PARCELO_SETUP_FUNCTION(name) \
    extern "C" __declspec(dllexport) void __cdecl name(HWND, int size, wchar_t*, StackEntry** top, void*)

PARCELO_SETUP_FUNCTION(FindOtherAgent) {
    Stack stack(top, size);
    const bool machineOnly = stack.Pop() == L"machine";
    const std::wstring folder = stack.Pop();
    const std::vector<std::wstring> folders = {folder, stack.Pop()};
    const setup::RegistryClasses registry;
    const auto other = setup::FindOtherAgent(registry, agentproto::PROG_ID_W, AGENT_CLASS_ID, folders, machineOnly);
    stack.Push(other ? setup::Describe(*other) : std::wstring());
}

PARCELO_SETUP_FUNCTION(IsElevated) { Stack(top, size).Push(setup::SetupIsElevated() ? L"1" : L"0"); }

PARCELO_SETUP_FUNCTION(IsWine) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    Stack(top, size).Push(ntdll && GetProcAddress(ntdll, "wine_get_version") ? L"1" : L"0");
}

PARCELO_SETUP_FUNCTION(CheckAccount) { Stack(top, size).Push(setup::WrongAccountText(setup::SetupAccountFit())); }

PARCELO_SETUP_FUNCTION(StartTurnedOff) {
    std::vector<unsigned char> mark(MARK_BYTES);
    DWORD bytes = MARK_BYTES, type = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, STARTUP_APPROVED_KEY, RUN_VALUE, RRF_RT_REG_BINARY, &type, mark.data(),
                     &bytes) != ERROR_SUCCESS)
        bytes = 0;
    mark.resize(bytes);
    Stack(top, size).Push(setup::MarkTurnsStartOff(mark) ? L"1" : L"0");
}

PARCELO_SETUP_FUNCTION(StartAsUser) {
    Stack stack(top, size);
    const std::wstring command = stack.Pop();
    const std::wstring folder = stack.Pop();
    stack.Push(setup::StartAsUser(command, folder));
}

PARCELO_SETUP_FUNCTION(CountRunning) {
    Stack stack(top, size);
    stack.Push(std::to_wstring(setup::CountRunning(stack.Pop())));
}

PARCELO_SETUP_FUNCTION(CountParcelo) {
    Stack stack(top, size);
    stack.Push(std::to_wstring(setup::CountParcelo(stack.Pop())));
}

PARCELO_SETUP_FUNCTION(EndAgent) {
    Stack stack(top, size);
    stack.Push(std::to_wstring(setup::EndAgent(stack.Pop())));
}

PARCELO_SETUP_FUNCTION(CloseParcelo) {
    Stack stack(top, size);
    const std::wstring folder = stack.Pop();
    const DWORD waitMs = static_cast<DWORD>(wcstoul(stack.Pop().c_str(), nullptr, 10));
    const setup::CloseOutcome outcome = setup::CloseParcelo(folder, waitMs);
    stack.Push(outcome.failure);
    stack.Push(outcome.shown ? L"1" : L"0");
    stack.Push(std::to_wstring(outcome.ending));
    stack.Push(std::to_wstring(outcome.closed));
}

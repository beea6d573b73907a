// ParceloSetup.dll, the setup's own NSIS plugin: what the script cannot say readably. Each
// function takes its arguments from the NSIS stack (the first argument on top) and leaves its
// results there.
//
//   ParceloSetup::FindOtherAgent SCOPE FOLDER EARLIER -> "" or the other agent, described
//       SCOPE "any" (per user and machine-wide) or "machine"; FOLDER and EARLIER (may be
//       empty) hold this install's own UploadAgent.exe: the install folder, an earlier one.
//   ParceloSetup::IsElevated                        -> "1" or "0"
//   ParceloSetup::StartAsUser COMMAND FOLDER        -> "" or why Parcelo was not started
//   ParceloSetup::CountRunning FOLDER               -> how many of its programs run from FOLDER
//   ParceloSetup::CloseParcelo FOLDER WAIT_MS       -> closed, shown ("1"/"0"), failure text
#include <windows.h>

#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "installer/plugin/AgentLookup.h"
#include "installer/plugin/RegistryClasses.h"
#include "installer/plugin/RunningCopies.h"
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

PARCELO_SETUP_FUNCTION(CloseParcelo) {
    Stack stack(top, size);
    const std::wstring folder = stack.Pop();
    const DWORD waitMs = static_cast<DWORD>(wcstoul(stack.Pop().c_str(), nullptr, 10));
    const setup::CloseOutcome outcome = setup::CloseParcelo(folder, waitMs);
    stack.Push(outcome.failure);
    stack.Push(outcome.shown ? L"1" : L"0");
    stack.Push(std::to_wstring(outcome.closed));
}

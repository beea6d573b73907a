#include "ui/HungAgentBox.h"

#include <commctrl.h>

namespace {

constexpr int WAIT_BUTTON = 1001;
constexpr int END_BUTTON = 1002;
constexpr int EXIT_BUTTON = 1003;

const wchar_t TITLE[] = L"Parcelo";
const wchar_t INSTRUCTION[] = L"UploadAgent is not responding.";
const wchar_t CONTENT[] =
    L"Parcelo has been waiting for UploadAgent to answer. You can keep waiting, end UploadAgent (what has "
    L"not been sent yet is sent when UploadAgent runs again), or exit Parcelo.";

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Version 6 of the common controls, which the manifest asks for, has the task dialog; it is
// looked up when needed rather than loaded with the program.
TaskDialogIndirectFunction TaskDialogFunction() {
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    if (!controls) controls = LoadLibraryW(L"comctl32.dll");
    return controls ? reinterpret_cast<TaskDialogIndirectFunction>(GetProcAddress(controls, "TaskDialogIndirect"))
                    : nullptr;
}

// Esc and the close box answer Cancel, so Cancel is the answer that changes nothing: wait.
HungChoice AskWithMessageBox(HWND owner) {
    const wchar_t text[] =
        L"UploadAgent is not responding.\n\nYes: end UploadAgent.\nNo: exit Parcelo.\nCancel: keep waiting.";
    switch (MessageBoxW(owner, text, TITLE, MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3)) {
    case IDYES: return HungChoice::EndAgent;
    case IDNO: return HungChoice::Exit;
    default: return HungChoice::Wait;
    }
}

}  // namespace

HungChoice AskAboutHungAgent(HWND owner) {
    const TaskDialogIndirectFunction taskDialog = TaskDialogFunction();
    if (!taskDialog) return AskWithMessageBox(owner);
    const TASKDIALOG_BUTTON buttons[] = {
        {WAIT_BUTTON, L"Wait"},
        {END_BUTTON, L"End UploadAgent"},
        {EXIT_BUTTON, L"Exit Parcelo"},
    };
    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = TITLE;
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszMainInstruction = INSTRUCTION;
    config.pszContent = CONTENT;
    config.cButtons = ARRAYSIZE(buttons);
    config.pButtons = buttons;
    config.nDefaultButton = WAIT_BUTTON;
    int pressed = 0;
    if (FAILED(taskDialog(&config, &pressed, nullptr, nullptr))) return AskWithMessageBox(owner);
    switch (pressed) {
    case END_BUTTON: return HungChoice::EndAgent;
    case EXIT_BUTTON: return HungChoice::Exit;
    default: return HungChoice::Wait;  // Wait, or the box closed
    }
}

#include "ui/SignInDialog.h"

#include <string>

#include "agent/AgentSession.h"
#include "res/resource.h"
#include "settings/UserSettings.h"

namespace {

constexpr int MAX_BOX_UNITS = 99;  // UTF-16 units used of each box

// At most MAX_BOX_UNITS units, and one fewer where the cut would split a surrogate pair: a lone
// half would reach the agent and the settings as a character nobody typed. One unit past the
// limit is read to tell.
std::wstring ReadBox(HWND dialog, int id) {
    wchar_t text[MAX_BOX_UNITS + 2] = {};
    int length = static_cast<int>(GetDlgItemTextW(dialog, id, text, MAX_BOX_UNITS + 2));
    if (length > MAX_BOX_UNITS)
        length = IS_HIGH_SURROGATE(text[MAX_BOX_UNITS - 1]) && IS_LOW_SURROGATE(text[MAX_BOX_UNITS]) ? MAX_BOX_UNITS - 1
                                                                                                  : MAX_BOX_UNITS;
    return std::wstring(text, static_cast<std::size_t>(length));
}

}  // namespace

const MessageEntry<SignInDialog> SignInDialog::TABLE[] = {
    OnMessage<SignInDialog>(WM_INITDIALOG, &SignInDialog::OnInitDialog),
    OnCommand<SignInDialog>(IDOK, &SignInDialog::OnConfirm),
    OnCommand<SignInDialog>(IDCANCEL, &SignInDialog::OnCancel),
    OnCommand<SignInDialog>(IDC_PASSWORD, &SignInDialog::OnTextChanged, EN_CHANGE),
    OnCommand<SignInDialog>(IDC_EMAIL, &SignInDialog::OnTextChanged, EN_CHANGE),
};

bool SignInDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                 DWORD tableId) {
    return tableId == 0 && RunMessageTable(*this, TABLE, message, wParam, lParam, result);
}

LRESULT SignInDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    if (session_.Settings().autoLogin == 1) {
        SetDlgItemTextW(windowHandle, IDC_PASSWORD, session_.Settings().password.c_str());
        CheckDlgButton(windowHandle, IDC_AUTO_SIGNIN, BST_CHECKED);
    }
    SetDlgItemTextW(windowHandle, IDC_EMAIL, session_.Settings().userName.c_str());
    HWND email = GetDlgItem(windowHandle, IDC_EMAIL);
    SendMessageW(email, EM_SETSEL, 0, -1);
    SetFocus(email);
    return FALSE;  // the focus is set
}

LRESULT SignInDialog::OnTextChanged(WORD, WORD, HWND, bool&) {
    const bool both = !ReadBox(windowHandle, IDC_EMAIL).empty() && !ReadBox(windowHandle, IDC_PASSWORD).empty();
    EnableWindow(GetDlgItem(windowHandle, IDOK), both);
    return 0;
}

LRESULT SignInDialog::OnConfirm(WORD, WORD id, HWND, bool&) {
    // OK is disabled until both boxes hold text, but Enter or a sent IDOK still arrives here.
    if (!IsWindowEnabled(GetDlgItem(windowHandle, IDOK))) return 0;
    hadForeground = GetForegroundWindow() == windowHandle;
    ShowWindow(windowHandle, SW_HIDE);
    const std::wstring password = ReadBox(windowHandle, IDC_PASSWORD);
    const std::wstring email = ReadBox(windowHandle, IDC_EMAIL);
    const int autoSignIn = IsDlgButtonChecked(windowHandle, IDC_AUTO_SIGNIN) == BST_CHECKED ? 1 : 0;
    session_.RequestSignIn(email, password, autoSignIn);
    EndDialog(windowHandle, id);
    return 0;
}

LRESULT SignInDialog::OnCancel(WORD, WORD, HWND, bool&) {
    session_.CancelSignIn();
    EndDialog(windowHandle, IDCANCEL);
    return 0;
}

// Asks for the e-mail address and password and starts the sign-in.
#pragma once

#include "ui/DialogObject.h"
#include "ui/MessageTable.h"

class SignInDialog final : public DialogObject {
public:
    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;

    // Set on OK when the dialog was the foreground window just before it hid itself.
    bool hadForeground = false;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnConfirm(WORD, WORD, HWND, bool&);
    LRESULT OnCancel(WORD, WORD, HWND, bool&);
    LRESULT OnTextChanged(WORD, WORD, HWND, bool&);

    static const MessageEntry<SignInDialog> TABLE[];
};

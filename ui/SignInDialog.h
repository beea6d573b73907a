// Asks for the e-mail address and password and starts the sign-in.
#pragma once

#include "ui/DialogObject.h"
#include "ui/MessageTable.h"

class AgentSession;

class SignInDialog final : public DialogObject {
public:
    // Filled from the session's settings; OK signs in through it, Cancel drops what waited
    // there for a sign-in.
    explicit SignInDialog(AgentSession& session) : session_(session) {}

    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;

    // Set on OK when the dialog was the foreground window just before it hid itself.
    bool hadForeground = false;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnConfirm(WORD, WORD, HWND, bool&);
    LRESULT OnCancel(WORD, WORD, HWND, bool&);
    LRESULT OnTextChanged(WORD, WORD, HWND, bool&);

    AgentSession& session_;

    static const MessageEntry<SignInDialog> TABLE[];
};

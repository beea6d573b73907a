// Asks for the e-mail address and password and starts the sign-in.
#pragma once

#include "ui/DialogObject.h"
#include "ui/MessageTable.h"

class DeferredLogin;
class FileReceiver;
struct UserSettings;

class SignInDialog final : public DialogObject {
public:
    // Filled from `settings`; OK signs in through `receiver`, Cancel drops what waits in `deferred`.
    SignInDialog(const UserSettings& settings, FileReceiver& receiver, DeferredLogin& deferred)
        : settings_(settings), receiver_(receiver), deferred_(deferred) {}

    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;

    // Set on OK when the dialog was the foreground window just before it hid itself.
    bool hadForeground = false;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnConfirm(WORD, WORD, HWND, bool&);
    LRESULT OnCancel(WORD, WORD, HWND, bool&);
    LRESULT OnTextChanged(WORD, WORD, HWND, bool&);

    const UserSettings& settings_;
    FileReceiver& receiver_;
    DeferredLogin& deferred_;

    static const MessageEntry<SignInDialog> TABLE[];
};

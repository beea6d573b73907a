// Edits a copy of the proxy settings; only OK with a valid address hands them back.
#pragma once

#include <string>

#include "ui/DialogObject.h"
#include "ui/MessageTable.h"

class ProxyDialog final : public DialogObject {
public:
    using ShowBox = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    // A refused address is told through `showBox`.
    explicit ProxyDialog(ShowBox showBox) : showBox_(showBox) {}

    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;

    int useProxy = 0;
    std::wstring proxyIP;

private:
    void EnableAddress(bool on);
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnConfirm(WORD, WORD, HWND, bool&);
    LRESULT OnCancel(WORD, WORD, HWND, bool&);
    LRESULT OnUseProxyClicked(WORD, WORD, HWND, bool&);

    ShowBox showBox_;

    static const MessageEntry<ProxyDialog> TABLE[];
};

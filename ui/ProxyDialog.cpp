#include "ui/ProxyDialog.h"

#include "res/resource.h"
#include "settings/ProxyAddress.h"

const MessageEntry<ProxyDialog> ProxyDialog::TABLE[] = {
    OnMessage<ProxyDialog>(WM_INITDIALOG, &ProxyDialog::OnInitDialog),
    OnCommand<ProxyDialog>(IDOK, &ProxyDialog::OnConfirm),
    OnCommand<ProxyDialog>(IDCANCEL, &ProxyDialog::OnCancel),
    OnCommand<ProxyDialog>(IDC_USE_PROXY, &ProxyDialog::OnUseProxyClicked, BN_CLICKED),
};

bool ProxyDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD tableId) {
    return tableId == 0 && RunMessageTable(*this, TABLE, message, wParam, lParam, result);
}

void ProxyDialog::EnableAddress(bool on) {
    EnableWindow(GetDlgItem(windowHandle, IDC_PROXY_IP), on);
    EnableWindow(GetDlgItem(windowHandle, IDC_PROXY_LABEL), on);
}

LRESULT ProxyDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    SetDlgItemTextW(windowHandle, IDC_PROXY_IP, proxyIP.c_str());
    EnableAddress(useProxy != 0);
    CheckDlgButton(windowHandle, IDC_USE_PROXY, useProxy != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

LRESULT ProxyDialog::OnUseProxyClicked(WORD, WORD, HWND, bool&) {
    EnableAddress(IsDlgButtonChecked(windowHandle, IDC_USE_PROXY) == BST_CHECKED);
    return 0;
}

LRESULT ProxyDialog::OnConfirm(WORD, WORD, HWND, bool&) {
    useProxy = IsDlgButtonChecked(windowHandle, IDC_USE_PROXY) == BST_CHECKED ? 1 : 0;
    if (useProxy) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(windowHandle, IDC_PROXY_IP, text, ARRAYSIZE(text));
        if (!IsValidProxyAddress(text)) {
            showBox_(windowHandle, L"Bad IP address format.", L"Proxy entry is invalid", MB_OK);
            return 0;
        }
        proxyIP = text;
    }
    EndDialog(windowHandle, IDOK);
    return 0;
}

LRESULT ProxyDialog::OnCancel(WORD, WORD, HWND, bool&) {
    EndDialog(windowHandle, IDCANCEL);
    return 0;
}

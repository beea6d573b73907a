#include "tests/support/WindowFacts.h"

#include <algorithm>

#include "tests/support/Files.h"

POINT CentreOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string TextOf(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    // A hung window of another process must not hang the test.
    SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    return Utf8(text);
}

void SetTextOf(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextW(dialog, id, FromUtf8(text).c_str());
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    struct Search {
        const std::string& text;
        HWND found;
    } search{text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            if (TextOf(child) != s->text) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

HWND TrayWindow() {
    HWND tray = FindWindowA(nullptr, "Wine System Tray");
    return tray && IsWindowVisible(tray) ? tray : nullptr;
}

std::vector<HWND> TrayIconWindows() {
    std::vector<HWND> icons;
    HWND tray = TrayWindow();
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT))
        if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

std::vector<HWND> TrayIconsAddedSince(const std::vector<HWND>& before) {
    std::vector<HWND> added;
    for (HWND icon : TrayIconWindows())
        if (std::find(before.begin(), before.end(), icon) == before.end()) added.push_back(icon);
    return added;
}

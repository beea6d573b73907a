#include "tests/commands/CommandFixture.h"

#include <cstdio>
#include <cstring>

#include "res/resource.h"

namespace {

CommandTest* g_test = nullptr;
std::vector<std::string> g_messages;
std::vector<SeenMenu>* g_menus = nullptr;
const std::function<void(HWND)>* g_inside = nullptr;
std::vector<HWND>* g_owners = nullptr;
std::vector<std::function<void(HWND)>>* g_steps = nullptr;
size_t g_nextStep = 0;

constexpr UINT_PTR STEP_TIMER = 0x7151;
const char HIVE_KEY[] = "Software\\Parcelo Command Tests";

bool IsIcon(HICON icon) {
    ICONINFO info;
    if (!icon || !GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

BOOL WINAPI RecordTray(DWORD action, PNOTIFYICONDATAA data) {
    const BOOL result = g_test && g_test->refuseTray ? FALSE : Shell_NotifyIconA(action, data);
    if (g_test)
        g_test->trayCalls.push_back({action, data->cbSize, data->uID, data->uFlags, data->uCallbackMessage,
                                     IsIcon(data->hIcon), data->szTip, result});
    return result;
}

std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
    char text[64];
    switch (message) {
    case WM_COMMAND:
        std::snprintf(text, sizeof text, "WM_COMMAND %u,%u", LOWORD(wParam), HIWORD(wParam));
        return text;
    case WM_SYSCOMMAND:
        std::snprintf(text, sizeof text, "WM_SYSCOMMAND %#x", static_cast<unsigned>(wParam & 0xFFF0));
        return text;
    case TrayCallbackMessage:
        std::snprintf(text, sizeof text, "tray %#x", static_cast<unsigned>(lParam));
        return text;
    case WM_NULL: return "WM_NULL";
    case WM_CHAR: return "WM_CHAR";
    case WM_NCRBUTTONDOWN: return "WM_NCRBUTTONDOWN";
    case WM_NCLBUTTONDBLCLK: return "WM_NCLBUTTONDBLCLK";
    case WM_CONTEXTMENU: return "WM_CONTEXTMENU";
    case WM_ENTERMENULOOP: return "WM_ENTERMENULOOP";
    case WM_EXITMENULOOP: return "WM_EXITMENULOOP";
    default: return "";
    }
}

void Record(const char* how, const MSG& msg) {
    const MainWindow* main = GetMainWindow();
    if (!main || !msg.hwnd || msg.hwnd != main->windowHandle) return;
    const std::string what = Describe(msg.message, msg.wParam, msg.lParam);
    if (!what.empty()) g_messages.push_back(std::string(how) + " " + what);
}

SeenMenu ReadMenu(HWND menuWindow) {
    SeenMenu seen = {{0, 0}, {}};
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(menuWindow, &rect);
    seen.at = {rect.left, rect.top};
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        MENUITEMINFOA item;
        ZeroMemory(&item, sizeof item);
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            seen.items.push_back("-");
            continue;
        }
        std::string text = std::to_string(item.wID) + ((item.fState & MFS_GRAYED) ? ":off" : ":on");
        if (item.fState & MFS_CHECKED) text += "+checked";
        seen.items.push_back(text);
    }
    return seen;
}

LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) {
        Record("sent", {sent->hwnd, sent->message, sent->wParam, sent->lParam, 0, {0, 0}});
        if (sent->message == WM_ENTERIDLE && sent->wParam == MSGF_MENU) {
            // Without a menu window it is the system's keyboard menu mode: seen, and ended.
            // A menu no test asked for is ended too, so that it cannot hold the test up.
            HWND menuWindow = reinterpret_cast<HWND>(sent->lParam);
            if (g_menus)
                g_menus->push_back(menuWindow ? ReadMenu(menuWindow) : SeenMenu{{-1, -1}, {"keyboard menu mode"}});
            if (g_menus && menuWindow && g_inside && *g_inside)
                (*g_inside)(menuWindow);
            else
                EndMenu();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK PostedHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) Record("posted", *reinterpret_cast<const MSG*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK Step(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    if (!g_steps) return;
    if (g_nextStep >= g_steps->size()) {
        ADD_FAILURE() << "the dialog outlived its script";
        EndDialog(dialog, IDABORT);
        return;
    }
    (*g_steps)[g_nextStep++](dialog);
    if (IsWindow(dialog)) SetTimer(dialog, STEP_TIMER, USER_TIMER_MINIMUM, &Step);
}

LRESULT CALLBACK ReturnHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char name[16] = {};
    if (code == HC_ACTION && sent->message == WM_INITDIALOG && g_owners && GetClassNameA(sent->hwnd, name, sizeof name) &&
        !std::strcmp(name, "#32770")) {
        g_owners->push_back(GetWindow(sent->hwnd, GW_OWNER));
        SetTimer(sent->hwnd, STEP_TIMER, USER_TIMER_MINIMUM, &Step);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK g_hooks[3];
HKEY g_hive = nullptr;

void SendKey(WORD key, bool up) {
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

void CommandTest::SetUp() {
    // A user key of the process's own: tests in other processes write the same settings.
    const std::string hive = std::string(HIVE_KEY) + "\\" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, hive.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, hive.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &g_hive, nullptr) ==
        ERROR_SUCCESS)
        RegOverridePredefKey(HKEY_CURRENT_USER, g_hive);
    MainWindowTest::SetUp();
    // Away from every window, the tray's icons included: a pointer left over an icon by an
    // earlier test would make it call back with mouse moves.
    SetCursorPos(700, 500);
    g_test = this;
    g_messages.clear();
    g_shellNotifyIcon = &RecordTray;
    const DWORD thread = GetCurrentThreadId();
    g_hooks[0] = SetWindowsHookExA(WH_CALLWNDPROC, &SentHook, nullptr, thread);
    g_hooks[1] = SetWindowsHookExA(WH_GETMESSAGE, &PostedHook, nullptr, thread);
    g_hooks[2] = SetWindowsHookExA(WH_CALLWNDPROCRET, &ReturnHook, nullptr, thread);
}

void CommandTest::TearDown() {
    MainWindowTest::TearDown();
    for (HHOOK& hook : g_hooks) UnhookWindowsHookEx(hook);
    g_shellNotifyIcon = &Shell_NotifyIconA;
    g_test = nullptr;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (g_hive) RegCloseKey(g_hive);
    g_hive = nullptr;
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(HIVE_KEY) + "\\" + std::to_string(GetCurrentProcessId())).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, HIVE_KEY);
}

void CommandTest::ShowInFront(int x, int y) {
    UINT flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOZORDER;
    if (x < 0) flags |= SWP_NOMOVE;
    SetWindowPos(handle, nullptr, x, y, 0, 0, flags);
    SetForegroundWindow(handle);
    SetFocus(handle);
    RunLoop();
    ASSERT_EQ(GetForegroundWindow(), handle);
    ASSERT_EQ(GetFocus(), handle);
    TakeMessages();
}

bool CommandTest::RunLoop() {
    static HACCEL accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = msg.wParam == 0;
            continue;
        }
        if (window && TranslateAcceleratorA(window->windowHandle, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

bool CommandTest::RunLoopUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (RunLoop(); !done(); RunLoop()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
    return true;
}

bool CommandTest::Chord(std::initializer_list<WORD> keys) {
    for (WORD key : keys) SendKey(key, false);
    bool quit = RunLoop();
    for (auto key = keys.end(); key != keys.begin();) SendKey(*--key, true);
    return RunLoop() || quit;
}

void CommandTest::Click(POINT at, DWORD downFlag, DWORD upFlag, int times) {
    SetCursorPos(at.x, at.y);
    std::vector<INPUT> inputs;
    for (int i = 0; i < times; ++i) {
        for (DWORD flag : {downFlag, upFlag}) {
            INPUT input;
            ZeroMemory(&input, sizeof input);
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flag;
            inputs.push_back(input);
        }
    }
    // All at once: a press on the window starts the system's move loop, which waits for the release.
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    RunLoop();
}

std::vector<SeenMenu> CommandTest::Menus(const std::function<void()>& open, const std::function<void(HWND)>& inside) {
    std::vector<SeenMenu> seen;
    g_menus = &seen;
    g_inside = &inside;
    open();
    g_menus = nullptr;
    g_inside = nullptr;
    return seen;
}

std::vector<HWND> CommandTest::Dialogs(const std::function<void()>& open, std::vector<std::function<void(HWND)>> steps) {
    std::vector<HWND> owners;
    g_owners = &owners;
    g_steps = &steps;
    g_nextStep = 0;
    open();
    EXPECT_EQ(g_nextStep, steps.size()) << "the dialog ended before its script did";
    g_owners = nullptr;
    g_steps = nullptr;
    return owners;
}

std::vector<std::string> CommandTest::TakeMessages() {
    std::vector<std::string> taken;
    taken.swap(g_messages);
    return taken;
}

std::vector<HWND> TrayIconWindows() {
    std::vector<HWND> icons;
    HWND tray = FindWindowA(nullptr, "Wine System Tray");
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT))
        if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

bool TrayHasIcon(HWND owner, UINT id) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

POINT Centre(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string TextOf(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

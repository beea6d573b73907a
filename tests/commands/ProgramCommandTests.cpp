// parcelo.exe as a user drives it: keys through its own message loop, its tray icon, the
// Proxy setup dialog with the real message box, and what it leaves behind when it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/integration/AgentScript.h"

namespace {

const char PRODUCT_KEY[] = "Software\\Sonavo Inc.\\Parcelo";

class Program {
public:
    Program() {
        std::string path = std::string("Z:") + PARCELO_EXE;
        std::replace(path.begin(), path.end(), '/', '\\');
        std::string line = "\"" + path + "\" /showparcelo";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
    }
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    // Its top-level window of this class and caption, once there is one.
    HWND Find(const char* className, const char* caption) const {
        HWND found = nullptr;
        PumpUntil([&] {
            for (HWND w = FindWindowExA(nullptr, nullptr, className, caption); w && !found;
                 w = FindWindowExA(nullptr, w, className, caption)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == info_.dwProcessId && IsWindowVisible(w)) found = w;
            }
            return found != nullptr;
        });
        return found;
    }
    DWORD WaitForExit() const {
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(info_.hProcess, 15000) == WAIT_OBJECT_0) GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_ = {};
    BOOL started_ = FALSE;
};

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    HWND tray = FindWindowA(nullptr, "Wine System Tray");
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT))
        if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

void Input(std::initializer_list<WORD> keys) {
    std::vector<INPUT> events;
    auto add = [&](WORD key, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        events.push_back(input);
    };
    for (WORD key : keys) add(key, 0);
    for (auto key = keys.end(); key != keys.begin();) add(*--key, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT));
}

void DoubleClick(HWND target) {
    RECT rect;
    GetWindowRect(target, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, clicks, sizeof(INPUT));
}

std::string Stored(const char* name) {
    char text[64] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(PRODUCT_KEY) + "\\Proxy").c_str(), name, RRF_RT_REG_SZ, nullptr,
                     text, &size) != ERROR_SUCCESS)
        return "(none)";
    return text;
}

// Asked of the control itself: for another process's window GetWindowText gives only the
// caption the system keeps, which an edit control does not update.
std::string Text(HWND window) {
    char text[256] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

class ProgramCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        SetCursorPos(700, 500);
        trayBefore = TrayIcons();
    }
    void TearDown() override {
        AgentScript::KillServer();  // a server left running would outlive the test run
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
    }
    // Gives the program's window the keyboard, as a click on it would.
    static bool Front(HWND window) {
        SetForegroundWindow(window);
        return PumpUntil([&] { return GetForegroundWindow() == window; });
    }

    AgentScript script;
    std::vector<HWND> trayBefore;
};

TEST_F(ProgramCommandTest, KeysAndTheTrayIconWorkTheRealProgramUntilItsExit) {
    Program program;
    HWND window = program.Find("Sonavo", nullptr);
    ASSERT_NE(window, nullptr);
    HWND icon = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (HWND candidate : TrayIcons())
            if (std::find(trayBefore.begin(), trayBefore.end(), candidate) == trayBefore.end()) icon = candidate;
        return icon != nullptr;
    }));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));

    ASSERT_TRUE(Front(window));
    Input({VK_CONTROL, 'D'});
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }));
    DoubleClick(icon);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));

    ASSERT_TRUE(Front(window));
    Input({VK_CONTROL, 'X'});
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return TrayIcons() == trayBefore; })) << "the icon went with the program";
    EXPECT_EQ(Stored("UseProxy"), "False");
}

TEST_F(ProgramCommandTest, TheProxyDialogRefusesABadAddressWithARealBoxAndStoresAGoodOne) {
    Program program;
    HWND window = program.Find("Sonavo", nullptr);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, ID_CMD_PROXY_SETTINGS, 0);
    HWND dialog = program.Find("#32770", "Proxy setup");
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, IDC_PROXY_IP);
    EXPECT_FALSE(IsWindowEnabled(field));
    PostMessageA(GetDlgItem(dialog, IDC_USE_PROXY), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(field) != FALSE; }));
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10.9.8"));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

    HWND box = program.Find("#32770", "Proxy entry is invalid");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), "Bad IP address format.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(Text(field), "10.9.8");

    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10.9.8.7"));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(Stored("UseProxy"), "True");
    EXPECT_EQ(Stored("ProxyIP"), "10.9.8.7");
}

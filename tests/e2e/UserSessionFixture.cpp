#include "tests/e2e/UserSessionFixture.h"

#include "res/resource.h"
#include "standin/StandinIds.h"

void UserSessionTest::SetUp() {
    AgentScript::KillServer();  // a fresh agent starts signed out
    DeleteProductKey();
    folder_ = TempFolder() + "parcelo-e2e-user-" + std::to_string(GetCurrentProcessId());
    RemoveTree(folder_);
    CreateDirectoryA(folder_.c_str(), nullptr);
    locker_ = folder_ + "\\Locker";
    lockerRoot_ = std::make_unique<ScopedRegValue>(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", locker_);
    account_ = "user" + std::to_string(GetCurrentProcessId()) + "@example.com";
    trayBefore_ = TrayIconWindows();
    MoveMouse({10, 500});  // away from every window the case will look at
}

void UserSessionTest::TearDown() {
    if (HasFailure()) {
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        SaveScreen(screen, std::string("failed-") + info->name());
    }
    // The agent ends by itself once its last client has gone; one the case left behind is
    // stopped, so that the next case starts from a signed-out agent.
    const DWORD agent = AgentScript::AgentPid();
    if (agent != 0 && !WaitForProcessEnd(agent, 10000)) AgentScript::KillServer();
    lockerRoot_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + account_).c_str());
    DeleteProductKey();
    RemoveTree(folder_);
    MoveMouse({10, 500});
}

std::string UserSessionTest::MakeSong(const char* name, int chunks) {
    std::string audio = "ID3";
    const int size = chunks * 65536 + 1000;
    for (int i = 0; static_cast<int>(audio.size()) < size; ++i) audio += static_cast<char>(i * 7 + i / 256);
    const std::string path = folder_ + "\\" + name;
    WriteBytes(path, audio);
    return path;
}

std::string UserSessionTest::InLocker(const char* name) const { return locker_ + "\\" + account_ + "\\" + name; }

bool UserSessionTest::WaitForLockerFile(const char* name, DWORD timeoutMs) const {
    const std::string path = InLocker(name);
    return PumpUntil([&] { return Exists(path); }, timeoutMs);
}

void UserSessionTest::StorePosition(DWORD x, DWORD y) {
    const std::string position = std::string(PRODUCT_KEY) + "\\Position";
    SetRegNumber(HKEY_CURRENT_USER, position, "X", x);
    SetRegNumber(HKEY_CURRENT_USER, position, "Y", y);
}

void UserSessionTest::ConfirmSignIn(const ParceloProcess& program, const std::string& password, bool automatic) {
    HWND dialog = program.Dialog("Sign In");
    ASSERT_NE(dialog, nullptr) << "no Sign In dialog";
    SetTextOf(dialog, IDC_EMAIL, account_);
    SetTextOf(dialog, IDC_PASSWORD, password);
    if (automatic) {
        PostClick(dialog, IDC_AUTO_SIGNIN);
        ASSERT_TRUE(PumpUntil([&] { return IsDlgButtonChecked(dialog, IDC_AUTO_SIGNIN) == BST_CHECKED; }));
    }
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "OK stays disabled with both fields filled";
    PostClick(dialog, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
}

void UserSessionTest::DragWithMouse(HWND from, HWND target) {
    MoveMouse(CentreOf(from));
    PressLeft();
    POINT goal = CentreOf(target);
    GlideMouse({goal.x - 6, goal.y - 6});
    GlideMouse(goal, 3);  // a few moves over the target, as a hand never holds still
    ReleaseLeft();
}

std::string UserSessionTest::DragSourceCommand(POINT at, const std::string& kind, const std::string& item) {
    return "\"" + WindowsPath(E2E_DRAG_SOURCE_EXE) + "\" " + std::to_string(at.x) + " " + std::to_string(at.y) + " " +
           kind + " \"" + item + "\"";
}

HWND UserSessionTest::DragSourceWindow(const ProgramProcess& source) {
    return source.WaitForShown("ParceloE2eDragSource");
}

HWND UserSessionTest::TrayIcon() const {
    std::vector<HWND> added;
    // One: the icon of a program that has just ended may still be on its way out.
    PumpUntil([&] { return (added = TrayIconsAddedSince(trayBefore_)).size() == 1; });
    return added.size() == 1 ? added[0] : nullptr;
}

bool UserSessionTest::WaitForStatus(HWND window, const std::string& line1, const std::string& line2,
                                    DWORD timeoutMs) const {
    RECT area = {};
    const bool shown = PumpUntil(
        [&] {
            GetWindowRect(window, &area);
            return ShownFrame(area, line1, line2) >= 0;
        },
        timeoutMs);
    if (!shown) {
        // What was there and what was expected, side by side in the build folder.
        SaveScreen(area, "shown");
        SaveBitmap(ExpectedWindow(0, line1, line2), SKIN_SIZE.width, SKIN_SIZE.height,
                   WindowsPath(std::string(E2E_SCREENSHOT_DIR) + "/expected.bmp"));
    }
    return shown;
}

void UserSessionTest::SaveScreen(const RECT& wanted, const std::string& name) {
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT area = {};
    if (!IntersectRect(&area, &wanted, &screen)) return;
    const int width = area.right - area.left, height = area.bottom - area.top;
    SaveBitmap(CaptureScreen(area), width, height,
               WindowsPath(std::string(E2E_SCREENSHOT_DIR) + "/" + name + ".bmp"));
}

void UserSessionTest::ClickToMakeActive(HWND window) {
    ClickLeft(CentreOf(window));
    MoveMouse({10, 500});
    ASSERT_TRUE(WaitUntilReadyForKeys(window)) << "a click did not make the window the active one";
}

void UserSessionTest::ExitThroughMenu(const ParceloProcess& program, HWND window, DWORD* agent) {
    // Made the active window first: under Wine a right click on a window that is not the
    // active one opened no menu.
    ASSERT_NO_FATAL_FAILURE(ClickToMakeActive(window));
    ClickRight(CentreOf(window));
    HWND menu = program.Menu();
    ASSERT_NE(menu, nullptr) << "no menu after a right click on the window";
    if (agent) *agent = AgentScript::AgentPid();
    RECT rect = {};
    GetWindowRect(menu, &rect);
    // The last item is Exit; a point just inside the bottom border is on it whatever the
    // height of the items above.
    ClickLeft({(rect.left + rect.right) / 2, rect.bottom - 8});
    EXPECT_EQ(program.WaitForExit(), 0u) << "Exit in the menu did not end the program";
}

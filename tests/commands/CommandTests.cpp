// What each command does, from each way of giving it: the menu, the keys through the
// program's loop, the window itself and the tray icon.
#include "tests/commands/CommandFixture.h"

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/Input.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"

using namespace agentproto;

namespace {

void Command(HWND window, WORD id, WORD code = 0) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), 0); }

// The owners of the dialogs that `open` shows, each cancelled.
std::vector<HWND> CancelledDialogs(const std::function<void()>& open) {
    DialogDriver driver({[](HWND dialog) { Click(dialog, IDCANCEL); }});
    open();
    return driver.owners;
}

}  // namespace

TEST_F(CommandTest, EverySenderTogglesTheWindow) {
    Open();
    // From the menu, chosen by its mnemonic.
    MenusOf(TrayCallbackMessage, TRAY_ICON_ID, WM_RBUTTONDOWN, [](HWND) { PressKey('P'); });
    EXPECT_TRUE(IsWindowVisible(handle));

    ShowInFront();
    Chord({VK_CONTROL, 'D'});
    EXPECT_FALSE(IsWindowVisible(handle));
    EXPECT_EQ(TakeMessages(), (Items{"sent WM_COMMAND 32769,1"})) << "no character once the key is a command";

    ShowInFront();
    MouseAt(CentreOf(handle), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
    EXPECT_FALSE(IsWindowVisible(handle));
    // The first press is the system's move (every point is caption); the second click toggles.
    EXPECT_EQ(TakeMessages(), (Items{"sent WM_SYSCOMMAND 0xf010", "posted WM_NCLBUTTONDBLCLK", "sent WM_COMMAND 32769,1"}));

    SendMessageA(handle, TrayCallbackMessage, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(handle));
    // Whatever the notification code.
    for (WORD code : {0, 1, BN_CLICKED, 0xFFFF}) Command(handle, ID_CMD_DISPLAY_TOGGLE, code);
    EXPECT_TRUE(IsWindowVisible(handle));
}

TEST_F(CommandTest, SignOutIsAskedForOnlyWhenTheAgentIsReady) {
    Open();
    for (int status : {0, 10, 11, 12, 19, 111, -11}) {
        fakeAgent.AnswerShort(DispGetStatus, static_cast<SHORT>(status));
        const int before = fakeAgent.Count(DispSignOut);
        Command(handle, ID_CMD_SIGN_OUT);
        EXPECT_EQ(fakeAgent.Count(DispSignOut) - before, status == 11 ? 1 : 0) << status;
    }
    fakeAgent.Fail(DispGetStatus, E_FAIL);
    Command(handle, ID_CMD_SIGN_OUT);
    EXPECT_EQ(fakeAgent.Count(DispSignOut), 1);
}

TEST_F(CommandTest, GotoLockerOpensAtOnceOrAfterASignInThatSucceeds) {
    Open();
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    Command(handle, ID_CMD_GOTO_LOCKER);
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);
    EXPECT_EQ(g_state.signInRuns, 0);

    // Signed out, the dialog cancelled: nothing waits for a later sign-in.
    fakeAgent.AnswerShort(DispIsSignedIn, 0);
    g_state.signInAnswer = IDCANCEL;
    Command(handle, ID_CMD_GOTO_LOCKER);
    EXPECT_EQ(g_state.signInRuns, 1);
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    fakeAgent.Fire(EventStatus, 19);
    Handed();
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);

    // Signed out, the dialog confirmed: the Locker opens when the agent reports the sign-in.
    fakeAgent.AnswerShort(DispIsSignedIn, 0);
    g_state.signInAnswer = IDOK;
    Command(handle, ID_CMD_GOTO_LOCKER);
    EXPECT_EQ(g_state.signInRuns, 2);
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);
    fakeAgent.Fire(EventStatus, 11);
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    fakeAgent.Fire(EventStatus, 19);
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);  // never inside the agent's notification
    Handed();
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 2);
    fakeAgent.Fire(EventStatus, 19);
    Handed();
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 2);
    EXPECT_TRUE(g_state.boxes.empty());
}

// Items the menu would show grayed still work from the keyboard: the keys are not gated.
TEST_F(CommandTest, EachAcceleratorSendsItsCommandOnceThroughTheLoop) {
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    fakeAgent.AnswerShort(DispGetFilesToGo, 4);
    fakeAgent.AnswerShort(DispGetStatus, 11);
    Open();
    struct Key {
        std::vector<WORD> keys;
        const char* command;
    };
    const Key keys[] = {
        {{VK_CONTROL, 'G'}, "32768"}, {{VK_CONTROL, 'O'}, "248"},     {{VK_CONTROL, 'S'}, "32775"},
        {{VK_CONTROL, 'D'}, "32769"}, {{VK_SHIFT, VK_F10}, "256"},    {{VK_CONTROL, 'X'}, "32770"},
    };
    for (const Key& key : keys) {
        ShowInFront();
        const bool quit = Chord(key.keys);
        Items commands;
        for (const std::string& message : TakeMessages())
            if (message.find("WM_COMMAND") != std::string::npos || message.find("WM_CHAR") != std::string::npos)
                commands.push_back(message);
        EXPECT_EQ(commands, Items{"sent WM_COMMAND " + std::string(key.command) + ",1"});
        EXPECT_EQ(quit, std::string(key.command) == "32770");
    }
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);
    EXPECT_EQ(fakeAgent.Count(DispSignOut), 1);
    EXPECT_EQ(g_state.signInRuns, 1);
    EXPECT_EQ(window->windowHandle, nullptr);
}

TEST_F(CommandTest, OtherKeysAreNoCommands) {
    Open();
    const std::vector<WORD> others[] = {
        {'D'}, {'X'}, {VK_SHIFT, 'D'}, {VK_CONTROL, 'P'}, {VK_CONTROL, VK_SHIFT, 'D'}, {VK_SHIFT, VK_APPS},
    };
    for (const auto& keys : others) {
        ShowInFront();
        Menus([&] { Chord(keys); });
        for (const std::string& message : TakeMessages()) EXPECT_EQ(message.find("WM_COMMAND"), std::string::npos);
        EXPECT_TRUE(IsWindowVisible(handle));
    }
}

TEST_F(CommandTest, ExitEndsTheLoopAfterSavingAndRemovingTheIcon) {
    Open();
    window->Session().SetProxy(0, L"10.20.30.40");
    ASSERT_TRUE(TrayHasIcon(handle, TRAY_ICON_ID));
    trayCalls.clear();
    ShowInFront();
    HWND gone = handle;
    EXPECT_TRUE(Chord({VK_CONTROL, 'X'}));
    EXPECT_FALSE(IsWindow(gone));
    ASSERT_EQ(trayCalls.size(), 1u);
    EXPECT_EQ(trayCalls[0].action, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(trayCalls[0].id, TRAY_ICON_ID);
    EXPECT_TRUE(trayCalls[0].result);
    EXPECT_EQ(StoredText("Proxy", "ProxyIP"), "10.20.30.40");
}

TEST_F(CommandTest, TheProxyDialogBelongsToWhicheverWindowIsActive) {
    Open();
    auto proxy = [&] { Command(handle, ID_CMD_PROXY_SETTINGS); };
    EXPECT_EQ(CancelledDialogs(proxy), std::vector<HWND>{nullptr});

    ShowInFront();
    EXPECT_EQ(CancelledDialogs(proxy), std::vector<HWND>{handle});

    const OwnedWindow other(CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr,
                                            nullptr, nullptr, nullptr));
    SetForegroundWindow(other.Get());
    SetActiveWindow(other.Get());
    ASSERT_EQ(GetActiveWindow(), other.Get());
    EXPECT_EQ(CancelledDialogs(proxy), std::vector<HWND>{other.Get()});
}

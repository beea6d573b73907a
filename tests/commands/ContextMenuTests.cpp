// The pop-up menu as it is tracked: its items' states, where it opens, and what choosing
// or not choosing sends.
#include "tests/commands/CommandFixture.h"

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/support/Input.h"
#include "ui/AppModule.h"

using namespace agentproto;

namespace {

void Answer(FakeAgent& agent, DISPID id, const char* value) {
    if (std::string(value) == "fails")
        agent.Fail(id, E_FAIL);
    else
        agent.AnswerShort(id, static_cast<SHORT>(std::stoi(value)));
}

}  // namespace

TEST_F(CommandTest, EachItemFollowsVisibilitySignInAndFilesToGo) {
    struct Row {
        const char* signedIn;
        const char* filesToGo;
        const char* locker;
        const char* signIn;
        const char* signOut;
    };
    const Row rows[] = {
        {"0", "0", "off", "on", "off"},         {"0", "3", "off", "off", "off"},
        {"0", "fails", "off", "off", "off"},    {"1", "0", "on", "on", "on"},
        {"1", "3", "on", "off", "off"},         {"1", "fails", "on", "off", "off"},
        {"2", "0", "off", "on", "on"},          {"-1", "0", "off", "on", "on"},
        {"2", "1", "off", "off", "off"},        {"fails", "0", "off", "on", "off"},
        {"fails", "3", "off", "off", "off"},    {"fails", "fails", "off", "off", "off"},
        {"0", "-1", "off", "off", "off"},
    };
    Open();
    for (bool visible : {false, true}) {
        ShowWindow(handle, visible ? SW_SHOW : SW_HIDE);
        for (const Row& row : rows) {
            Answer(fakeAgent, DispIsSignedIn, row.signedIn);
            Answer(fakeAgent, DispGetFilesToGo, row.filesToGo);
            const auto menus = MenusOf(TrayCallbackMessage, TRAY_ICON_ID, WM_RBUTTONDOWN);
            ASSERT_EQ(menus.size(), 1u);
            const Items expected = {visible ? "32769:on+checked" : "32769:on",
                                    std::string("32768:") + row.locker,
                                    "-",
                                    std::string("32775:") + row.signIn,
                                    std::string("248:") + row.signOut,
                                    "-",
                                    "32770:on"};
            EXPECT_EQ(menus[0].items, expected)
                << "visible " << visible << ", signed in " << row.signedIn << ", files to go " << row.filesToGo;
        }
    }
    EXPECT_TRUE(g_state.boxes.empty());
}

TEST_F(CommandTest, AnUnreachableAgentIsReportedOncePerOpeningAndGraysItsItems) {
    g_state.agent = nullptr;
    Open();
    for (int opening = 1; opening <= 2; ++opening) {
        g_state.boxes.clear();
        const auto menus = Menus([&] { SendMessageA(handle, WM_COMMAND, ID_CMD_CONTEXT_MENU, 0); });
        ASSERT_EQ(menus.size(), 1u);
        EXPECT_EQ(menus[0].items, (Items{"32769:on", "32768:off", "-", "32775:off", "248:off", "-", "32770:on"}));
        ASSERT_EQ(g_state.boxes.size(), 1u) << "opening " << opening;
        EXPECT_EQ(g_state.boxes[0].caption, "Failure");
    }
}

TEST_F(CommandTest, TheMenuOpensAtTheCursorForTheMouseAndAtTheCornerForTheKeyboard) {
    Open();
    ShowInFront(300, 200);
    const POINT inside = {330, 240};
    auto menus = Menus([&] { MouseAt(inside, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); });
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].at.x, inside.x);
    EXPECT_EQ(menus[0].at.y, inside.y);
    EXPECT_EQ(TakeMessages(), (Items{"posted WM_NCRBUTTONDOWN", "sent WM_ENTERMENULOOP", "sent WM_EXITMENULOOP",
                                     "posted WM_NULL"}));

    // From the tray, with the window hidden: the menu's owner comes to the front first, so
    // that a click elsewhere closes the menu.
    ShowWindow(handle, SW_HIDE);
    RunLoop();
    ASSERT_NE(GetForegroundWindow(), handle);
    SetCursorPos(500, 420);
    HWND front = nullptr;
    menus = MenusOf(TrayCallbackMessage, TRAY_ICON_ID, WM_RBUTTONDOWN, [&](HWND) {
        front = GetForegroundWindow();
        EndMenu();
    });
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].at.x, 500);
    EXPECT_EQ(menus[0].at.y, 420);
    EXPECT_EQ(front, handle);

    struct MenuKey {
        std::vector<WORD> keys;
        Items messages;
    };
    const Items opened = {"sent WM_COMMAND 256,1", "sent WM_ENTERMENULOOP", "sent WM_EXITMENULOOP", "posted WM_NULL"};
    Items afterApps = opened;
    afterApps.push_back("posted WM_CONTEXTMENU");  // the system's, on the key's release: it opens nothing
    const MenuKey menuKeys[] = {{{VK_APPS}, afterApps}, {{VK_SHIFT, VK_F10}, opened}};
    for (const MenuKey& key : menuKeys) {
        ShowInFront(260, 250);
        menus = Menus([&] { Chord(key.keys); });
        ASSERT_EQ(menus.size(), 1u) << "one menu, and never the system's";
        EXPECT_EQ(menus[0].at.x, 260);
        EXPECT_EQ(menus[0].at.y, 250);
        EXPECT_EQ(TakeMessages(), key.messages);
    }
    EXPECT_TRUE(IsWindowVisible(handle));
}

TEST_F(CommandTest, AChosenItemIsPostedBeforeTheMenuEndsAndNothingElseIs) {
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    fakeAgent.AnswerShort(DispGetFilesToGo, 0);
    fakeAgent.AnswerShort(DispGetStatus, 11);
    Open();
    ShowInFront();
    struct Choice {
        WORD key;  // the item's mnemonic
        Items messages;
    };
    // The menu loop turns the key into the character that picks the item.
    const Items opened = {"sent WM_COMMAND 256,0", "sent WM_ENTERMENULOOP", "posted WM_CHAR", "sent WM_EXITMENULOOP"};
    const Choice choices[] = {
        {'P', {"posted WM_COMMAND 32769,0", "posted WM_NULL"}},
        {'G', {"posted WM_COMMAND 32768,0", "posted WM_NULL"}},
        {'S', {"posted WM_COMMAND 32775,0", "posted WM_NULL"}},
        {'O', {"posted WM_COMMAND 248,0", "posted WM_NULL"}},
        {'X', {"posted WM_COMMAND 32770,0"}},  // the window is gone before its WM_NULL
    };
    for (const Choice& choice : choices) {
        ShowInFront();
        const auto menus = MenusOf(WM_COMMAND, ID_CMD_CONTEXT_MENU, 0, [&](HWND) { PressKey(choice.key); });
        ASSERT_EQ(menus.size(), 1u);
        Items expected = opened;
        expected.insert(expected.end(), choice.messages.begin(), choice.messages.end());
        EXPECT_EQ(TakeMessages(), expected) << static_cast<char>(choice.key);
    }
    EXPECT_EQ(fakeAgent.Count(DispOpenLocker), 1);
    EXPECT_EQ(g_state.signInRuns, 1);
    EXPECT_EQ(fakeAgent.Count(DispSignOut), 1);
    EXPECT_EQ(window->windowHandle, nullptr);  // Exit
}

TEST_F(CommandTest, WithoutItsMenuResourceNothingOpensAndNothingIsAsked) {
    Open();
    fakeAgent.calls.clear();
    AppModule& module = GetAppModule();
    const HINSTANCE own = module.instance;
    module.instance = GetModuleHandleA("kernel32.dll");
    const auto menus = MenusOf(WM_COMMAND, ID_CMD_CONTEXT_MENU, 0);
    module.instance = own;
    EXPECT_TRUE(menus.empty());
    EXPECT_TRUE(fakeAgent.calls.empty());
    EXPECT_TRUE(g_state.boxes.empty());
    EXPECT_EQ(TakeMessages(), Items{"sent WM_COMMAND 256,0"});
}

// The Sign In dialog run modally from its real template: how it is filled, when OK can be
// pressed, what confirming does in which order, and what the three ways of cancelling drop.
#include <cstring>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "agent/StatusTable.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/Items.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"
#include "tests/fakes/MainWindowFixture.h"

using namespace agentproto;
using Events = std::vector<std::string>;

namespace {

class SignInDialogTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        MainWindow::seams.runSignInDialog = nullptr;  // the real dialog
        Open();
        fakeAgent.calls.clear();
    }
    // Runs the dialog: `onInit` right after its WM_INITDIALOG, `step` once its loop runs.
    int Run(DialogDriver::OnInit onInit, DialogDriver::Step step) {
        DialogDriver driver({std::move(step)}, std::move(onInit));
        const int result = window->RunSignInDialog();
        EXPECT_EQ(driver.owners.size(), 1u);
        return result;
    }
};

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void Type(HWND dialog, int id, const std::string& text) {
    for (wchar_t c : FromUtf8(text)) SendMessageW(Item(dialog, id), WM_CHAR, c, 0);
}

bool OkEnabled(HWND dialog) { return IsWindowEnabled(Item(dialog, IDOK)) != FALSE; }

// What the dialog's own messages show of the confirmation, and what the agent is asked.
class ConfirmRecorder {
public:
    ConfirmRecorder(MainWindow& main, FakeAgent& agent) : main_(main), agent_(agent) {
        current_ = this;
        hook_.Reset(SetWindowsHookExA(WH_CALLWNDPROC, &ConfirmRecorder::Watch, nullptr, GetCurrentThreadId()));
        agent_.onCall = [this](DISPID id) { OnCall(id); };
    }
    ~ConfirmRecorder() {
        hook_.Reset();
        agent_.onCall = nullptr;
        current_ = nullptr;
    }
    void Start(HWND dialog) {
        dialog_ = dialog;
        recording_ = true;
    }
    Events events;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && current_ && current_->recording_) current_->OnMessage(*sent);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    void OnMessage(const CWPSTRUCT& sent) {
        if (sent.hwnd == dialog_ && sent.message == WM_SHOWWINDOW && !sent.wParam) events.push_back("hide");
        if (GetParent(sent.hwnd) != dialog_) return;
        const int id = GetDlgCtrlID(sent.hwnd);
        if (sent.message == WM_GETTEXT) events.push_back("read " + std::to_string(id));
        if (sent.message == BM_GETCHECK) events.push_back("check " + std::to_string(id));
    }
    void OnCall(DISPID id) {
        if (id != DispSignIn && id != DispSignOut) return;
        std::string event = id == DispSignIn ? "SignIn" : "SignOut";
        if (id == DispSignIn) event += " " + agent_.calls.back().args.at(0).text + "/" + agent_.calls.back().args.at(1).text;
        event += IsWindowVisible(dialog_) ? " shown" : " hidden";
        event += " status " + Utf8(main_.Status().statusLine1) + "|" + Utf8(main_.Status().statusLine2);
        event += " recorded " + CredentialsOf(main_.Session().Held());
        events.push_back(event);
    }

    static ConfirmRecorder* current_;
    MainWindow& main_;
    FakeAgent& agent_;
    OwnedHook hook_;
    HWND dialog_ = nullptr;
    bool recording_ = false;
};

ConfirmRecorder* ConfirmRecorder::current_ = nullptr;

}  // namespace

TEST_F(SignInDialogTest, TheBoxesAreFilledFromTheSettingsAndThePasswordOnlyForAutoSignIn) {
    struct Case {
        const char* name;
        int autoLogin;
        const char* user;
        const char* password;
        const char* shownPassword;
        bool checked;
        bool okEnabled;
    } cases[] = {
        {"auto sign-in", 1, "me@example.com", "secret", "secret", true, true},
        {"no auto sign-in", 0, "me@example.com", "secret", "", false, false},
        {"auto login 2 is not on", 2, "me@example.com", "secret", "", false, false},
        {"auto sign-in without a user", 1, "", "secret", "secret", true, false},
        {"nothing stored", 0, "", "", "", false, false},
    };
    for (const Case& c : cases) {
        AgentSessionParts(window->Session()).settings.autoLogin = c.autoLogin;
        AgentSessionParts(window->Session()).settings.userName = FromUtf8(c.user);
        AgentSessionParts(window->Session()).settings.password = FromUtf8(c.password);
        std::string email, password;
        bool checked = false, okEnabled = false;
        LRESULT initResult = -1;
        DWORD selStart = 99, selEnd = 99;
        const int result = Run(
            [&](HWND dialog, LRESULT init) {
                initResult = init;
                email = TextOf(Item(dialog, IDC_EMAIL));
                password = TextOf(Item(dialog, IDC_PASSWORD));
                checked = IsDlgButtonChecked(dialog, IDC_AUTO_SIGNIN) == BST_CHECKED;
                okEnabled = OkEnabled(dialog);
                SendMessageA(Item(dialog, IDC_EMAIL), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                             reinterpret_cast<LPARAM>(&selEnd));
            },
            [](HWND dialog) { Click(dialog, IDCANCEL); });
        EXPECT_EQ(result, IDCANCEL) << c.name;
        EXPECT_EQ(initResult, FALSE) << c.name;  // the focus was set by the dialog itself
        EXPECT_EQ(email, c.user) << c.name;
        EXPECT_EQ(password, c.shownPassword) << c.name;
        EXPECT_EQ(checked, c.checked) << c.name;
        EXPECT_EQ(okEnabled, c.okEnabled) << c.name;
        EXPECT_EQ(selStart, 0u) << c.name;
        EXPECT_EQ(selEnd, strlen(c.user)) << c.name;  // all of it selected
    }
}

TEST_F(SignInDialogTest, OkCanBePressedExactlyWhileBothBoxesHoldText) {
    AgentSessionParts(window->Session()).settings.userName = L"me@example.com";
    std::vector<bool> enabled;
    bool stillOpen = false;
    Run(nullptr, [&](HWND dialog) {
        enabled.push_back(OkEnabled(dialog));
        Type(dialog, IDC_PASSWORD, "x");
        enabled.push_back(OkEnabled(dialog));
        SetTextOf(dialog, IDC_EMAIL, "");
        enabled.push_back(OkEnabled(dialog));
        Type(dialog, IDC_EMAIL, "a");
        enabled.push_back(OkEnabled(dialog));
        SendMessageA(Item(dialog, IDC_PASSWORD), WM_CHAR, VK_BACK, 0);
        enabled.push_back(OkEnabled(dialog));
        SetTextOf(dialog, IDC_PASSWORD, std::string(150, 'p'));
        enabled.push_back(OkEnabled(dialog));
        SetTextOf(dialog, IDC_PASSWORD, "");
        // Enter in a box sends IDOK even while OK is disabled: it must not sign in.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stillOpen = IsWindowVisible(dialog) != FALSE;
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(enabled, (std::vector<bool>{false, true, false, true, false, true}));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(fakeAgent.calls.empty());
}

TEST_F(SignInDialogTest, ConfirmingHidesReadsRecordsShowsConnectingThenSignsOutAndIn) {
    window->SetStatus(window->Status().statusLine1.c_str(), L"line two");
    ConfirmRecorder recorder(*window, fakeAgent);
    bool shownAtFirst = false;
    const int result = Run(nullptr, [&](HWND dialog) {
        shownAtFirst = IsWindowVisible(dialog) != FALSE;
        SetTextOf(dialog, IDC_EMAIL, "me@example.com");
        Type(dialog, IDC_PASSWORD, "p4ss word");
        Click(dialog, IDC_AUTO_SIGNIN);
        recorder.Start(dialog);
        Click(dialog, IDOK);
    });
    EXPECT_TRUE(shownAtFirst);
    EXPECT_EQ(result, IDOK);
    const std::string after = " hidden status " + Utf8(CONNECTING_TEXT) +
                              "|line two recorded me@example.com/p4ss word/1";
    EXPECT_EQ(recorder.events, (Events{"hide", "read 202", "read 201", "check 225", "SignOut" + after,
                                       "SignIn me@example.com/p4ss word" + after}));
    // The settings wait for the agent to report the sign-in done.
    EXPECT_EQ(CredentialsOf(window->Session().Settings()), "//0");
    fakeAgent.Fire(EventStatus, 19);
    EXPECT_EQ(CredentialsOf(window->Session().Settings()), "me@example.com/p4ss word/1");
}

// Of each box at most 99 UTF-16 units are used, and never the first half of a pair the cut would split.
TEST_F(SignInDialogTest, AtMost99UnitsOfEachBoxAreUsedNeverHalfAPair) {
    const std::string key = "\U0001F511", e98(98, 'e'), p97(97, 'p');  // the key: two units
    struct Case {
        std::string email, password, usedEmail, usedPassword;
    } cases[] = {
        {std::string(110, 'e') + "@example.com", std::string(150, 'p'), std::string(99, 'e'), std::string(99, 'p')},
        {e98 + key + "@example.com", p97 + key + key, e98, p97 + key},  // a pair at units 99-100, or 98-99
    };
    for (const Case& c : cases) {
        Run(nullptr, [&](HWND dialog) {
            SetTextOf(dialog, IDC_EMAIL, c.email);
            SetTextOf(dialog, IDC_PASSWORD, c.password);
            Click(dialog, IDOK);
        });
        const FakeCall* signIn = fakeAgent.Last(DispSignIn);
        ASSERT_NE(signIn, nullptr);
        EXPECT_EQ(signIn->args.at(0).text, c.usedEmail);
        EXPECT_EQ(signIn->args.at(1).text, c.usedPassword);
        EXPECT_EQ(window->Session().Held().userName, FromUtf8(c.usedEmail));
        EXPECT_EQ(window->Session().Held().password, FromUtf8(c.usedPassword));
    }
}

TEST_F(SignInDialogTest, WithoutAnAgentTheHiddenDialogStillEnds) {
    g_state.agent = nullptr;
    AgentSessionParts(window->Session()).link.Destroy();
    bool hiddenAfterConfirming = false;
    HWND dialogHandle = nullptr;
    const int result = Run(nullptr, [&](HWND dialog) {
        dialogHandle = dialog;
        SetTextOf(dialog, IDC_EMAIL, "me@example.com");
        SetTextOf(dialog, IDC_PASSWORD, "pw");
        Click(dialog, IDOK);
        hiddenAfterConfirming = !g_state.boxes.empty() && !IsWindowVisible(dialog);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(hiddenAfterConfirming);
    EXPECT_FALSE(IsWindow(dialogHandle));
    ASSERT_EQ(g_state.boxes.size(), 1u);
    EXPECT_NE(g_state.boxes[0].text.find("failure code '2'"), std::string::npos);
    EXPECT_EQ(Utf8(window->Session().Held().userName), "me@example.com");
    EXPECT_EQ(window->Status().statusLine1, CONNECTING_TEXT);
}

TEST_F(SignInDialogTest, EveryWayOfCancellingDropsHeldItemsAndKeepsTheCredentials) {
    struct Way {
        const char* name;
        void (*cancel)(HWND dialog);
    } ways[] = {
        {"Cancel button", [](HWND dialog) { Click(dialog, IDCANCEL); }},
        {"Esc in a box", [](HWND dialog) { PostMessageA(Item(dialog, IDC_EMAIL), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](HWND dialog) { SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        DeferredLogin& deferred = AgentSessionParts(window->Session()).deferred;
        deferred.RecordRequest(L"old@example.com", L"old", 1);
        deferred.pendingFiles = {Dropped("C:\\a.mp3"), Dropped("C:\\b.mp3")};
        deferred.HoldLockerRequest();
        const int result = Run(nullptr, [&](HWND dialog) {
            SetTextOf(dialog, IDC_EMAIL, "new@example.com");
            SetTextOf(dialog, IDC_PASSWORD, "new");
            way.cancel(dialog);
        });
        EXPECT_EQ(result, IDCANCEL) << way.name;
        EXPECT_TRUE(window->Session().Held().pendingFiles.empty()) << way.name;
        EXPECT_EQ(window->Session().Held().lockerPending, 0) << way.name;
        EXPECT_EQ(Utf8(window->Session().Held().userName), "old@example.com") << way.name;
        EXPECT_EQ(Utf8(window->Session().Held().password), "old") << way.name;
        // Only the skin's timer may have asked for the status (every 500 ms, also while the dialog runs).
        EXPECT_EQ(fakeAgent.calls.size(), static_cast<size_t>(fakeAgent.Count(DispGetStatus))) << way.name;
    }
}

// An e-mail and a password in any script reach the agent exactly as typed, are kept exactly
// once the agent reports the sign-in done, and come back exactly: stored, at the next start's
// automatic sign-in and in the dialog.
TEST_F(SignInDialogTest, AnyScriptIsSignedInStoredAndShownAgainExactly) {
    const std::string email = "дмитрий.日本@пример.рф", password = "пароль 日本語 \U0001F511";
    auto expectSignIn = [&](const char* when) {
        const FakeCall* signIn = fakeAgent.Last(DispSignIn);
        ASSERT_NE(signIn, nullptr) << when;
        EXPECT_EQ(signIn->args.at(0).text, email) << when;
        EXPECT_EQ(signIn->args.at(1).text, password) << when;
    };
    Run(nullptr, [&](HWND dialog) {
        SetTextOf(dialog, IDC_EMAIL, email);
        SetTextOf(dialog, IDC_PASSWORD, password);
        Click(dialog, IDC_AUTO_SIGNIN);
        Click(dialog, IDOK);
    });
    expectSignIn("typed");
    fakeAgent.Fire(EventStatus, 19);
    Close();
    EXPECT_EQ(StoredText("User", "User name"), email);
    EXPECT_EQ(StoredText("User", "Password"), password);

    fakeAgent.calls.clear();
    Open();
    expectSignIn("at the next start");
    std::string shownEmail, shownPassword;
    Run(
        [&](HWND dialog, LRESULT) {
            shownEmail = TextOf(Item(dialog, IDC_EMAIL));
            shownPassword = TextOf(Item(dialog, IDC_PASSWORD));
        },
        [](HWND dialog) { Click(dialog, IDCANCEL); });
    EXPECT_EQ(shownEmail, email);
    EXPECT_EQ(shownPassword, password);
}

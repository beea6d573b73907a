// The Proxy setup dialog from its real template, driven through its controls: what it
// shows, what it refuses, and what reaches the settings and the registry.
#include "tests/commands/CommandFixture.h"

#include <iterator>
#include <ostream>

#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/Input.h"
#include "tests/support/Registry.h"
#include "tests/support/WindowFacts.h"

namespace {

using Step = DialogDriver::Step;

struct Controls {
    std::string text;
    bool checked;
    bool fieldEnabled;
    bool labelEnabled;
};

Controls Read(HWND dialog) {
    return {TextOf(GetDlgItem(dialog, IDC_PROXY_IP)), IsDlgButtonChecked(dialog, IDC_USE_PROXY) == BST_CHECKED,
            IsWindowEnabled(GetDlgItem(dialog, IDC_PROXY_IP)) != FALSE,
            IsWindowEnabled(GetDlgItem(dialog, IDC_PROXY_LABEL)) != FALSE};
}

bool operator==(const Controls& a, const Controls& b) {
    return a.text == b.text && a.checked == b.checked && a.fieldEnabled == b.fieldEnabled &&
           a.labelEnabled == b.labelEnabled;
}

std::ostream& operator<<(std::ostream& out, const Controls& c) {
    return out << "'" << c.text << "' checked " << c.checked << " field " << c.fieldEnabled << " label "
               << c.labelEnabled;
}

Step Press(int id) {
    return [id](HWND dialog) { Click(dialog, id); };
}
Step Type(const std::string& text) {
    return [text](HWND dialog) { SetTextOf(dialog, IDC_PROXY_IP, text); };
}
Step Expect(const Controls& expected) {
    return [expected](HWND dialog) { EXPECT_EQ(Read(dialog), expected); };
}

}  // namespace

class ProxyTest : public CommandTest {
protected:
    void Run(std::vector<Step> steps) {
        DialogDriver driver(std::move(steps));
        SendMessageA(handle, WM_COMMAND, ID_CMD_PROXY_SETTINGS, 0);
    }
    void Given(int useProxy, const char* address) {
        window->Session().SetProxy(useProxy, FromUtf8(address));
    }
    void ExpectSettings(int useProxy, const std::string& address) {
        EXPECT_EQ(window->Session().Settings().useProxy, useProxy);
        EXPECT_EQ(Utf8(window->Session().Settings().proxyIP), address);
    }
};

TEST_F(ProxyTest, TheFieldFollowsTheCheckBoxAndKeepsItsText) {
    Open();
    Given(0, "10.0.0.1");
    Run({Expect({"10.0.0.1", false, false, false}), Press(IDC_USE_PROXY), Expect({"10.0.0.1", true, true, true}),
         Press(IDC_USE_PROXY), Expect({"10.0.0.1", false, false, false}), Press(IDCANCEL)});
    Given(1, "");
    Run({Expect({"", true, true, true}), Type("1.2.3.4"), Press(IDC_USE_PROXY), Expect({"1.2.3.4", false, false, false}),
         Press(IDCANCEL)});
    // Any non-zero value means on.
    Given(7, "9.9.9.9");
    Run({Expect({"9.9.9.9", true, true, true}), Press(IDCANCEL)});
    ExpectSettings(7, "9.9.9.9");
}

// Which addresses pass is the rule's own (tested natively and fuzzed); here what a refusal
// does, and that the field's text reaches the rule as typed, a digit-like letter included.
TEST_F(ProxyTest, ARefusalIsToldOverTheDialogWhichStaysOpenAsItWas) {
    const std::string rejected[] = {"256.1.1.1", "\u00b9.2.3.4"};
    Open();
    Given(0, "8.8.8.8");
    std::vector<Step> steps = {Press(IDC_USE_PROXY)};
    for (const std::string& address : rejected) {
        steps.push_back(Type(address));
        steps.push_back(Press(IDOK));
        steps.push_back([address](HWND dialog) {
            ASSERT_FALSE(g_state.boxes.empty()) << "'" << address << "'";
            const RecordedBox& box = g_state.boxes.back();
            EXPECT_EQ(box.owner, dialog);
            EXPECT_EQ(box.text, "Bad IP address format.");
            EXPECT_EQ(box.caption, "Proxy entry is invalid");
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
            EXPECT_EQ(Read(dialog), (Controls{address, true, true, true}));
        });
    }
    steps.push_back(Type("192.168.1.2"));
    steps.push_back(Press(IDOK));
    Run(steps);
    EXPECT_EQ(g_state.boxes.size(), std::size(rejected));
    ExpectSettings(1, "192.168.1.2");
}

TEST_F(ProxyTest, LeavingByCancelEscapeOrCloseChangesNothingEvenAfterARefusal) {
    Open();
    const std::pair<const char*, Step> exits[] = {
        {"Cancel", Press(IDCANCEL)},
        {"Esc", [](HWND dialog) { PostMessageA(GetDlgItem(dialog, IDC_PROXY_IP), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& exit : exits) {
        Given(0, "1.1.1.1");
        g_state.boxes.clear();
        Run({Press(IDC_USE_PROXY), Type("300.1.1.1"), Press(IDOK), exit.second});
        EXPECT_EQ(g_state.boxes.size(), 1u) << exit.first;
        ExpectSettings(0, "1.1.1.1");
        Given(1, "1.1.1.1");
        Run({Type("2.2.2.2"), exit.second});
        ExpectSettings(1, "1.1.1.1");
    }
}

TEST_F(ProxyTest, TheEnterKeyConfirmsWhatWasTyped) {
    Open();
    ShowInFront();
    Given(1, "");
    auto type = [](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDC_PROXY_IP));
        std::vector<WORD> keys;
        for (char c : std::string("10.0.0.7\r"))
            keys.push_back(c == '.' ? VK_OEM_PERIOD : c == '\r' ? VK_RETURN : static_cast<WORD>(c));
        TypeKeys(keys);
    };
    Run({type});
    ExpectSettings(1, "10.0.0.7");
}

TEST_F(ProxyTest, TheSettingsAreStoredAtExit) {
    Open();
    Given(0, "");
    Run({Press(IDC_USE_PROXY), Type("172.16.0.9"), Press(IDOK)});
    SendMessageA(handle, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(StoredText("Proxy", "UseProxy"), "True");
    EXPECT_EQ(StoredText("Proxy", "ProxyIP"), "172.16.0.9");
    Close();

    // The next run reads them back and starts the dialog from them; OK with the box unchecked
    // keeps the old address whatever the field holds.
    Open();
    ExpectSettings(1, "172.16.0.9");
    Run({Expect({"172.16.0.9", true, true, true}), Press(IDC_USE_PROXY), Type("not an address"), Press(IDOK)});
    ExpectSettings(0, "172.16.0.9");
    EXPECT_TRUE(g_state.boxes.empty());
    SendMessageA(handle, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(StoredText("Proxy", "UseProxy"), "False");
    EXPECT_EQ(StoredText("Proxy", "ProxyIP"), "172.16.0.9");
}

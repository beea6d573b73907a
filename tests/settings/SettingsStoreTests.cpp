// The settings kept in the per-user registry: what a run reads at its deferred start, what
// it writes at its end, which stored shapes are taken, and the automatic sign-in.
#include <cstring>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "agent/StatusTable.h"
#include "tests/support/Owned.h"
#include "tests/support/Registry.h"
#include "tests/fakes/MainWindowFixture.h"

using namespace agentproto;
using Bytes = std::vector<unsigned char>;

namespace {

const std::string PRODUCT = PRODUCT_KEY;

class SettingsTest : public MainWindowTest {
protected:
    // Opens the window and runs its deferred start, with the settings as `prepare` leaves them.
    template <class Prepare>
    MainWindow& StartWith(Prepare prepare, const wchar_t* commandLine = L"parcelo.exe") {
        Open(commandLine, false);
        prepare(AgentSessionParts(window->Session()).settings);
        RunLoop();
        return *window;
    }
    MainWindow& Start(const wchar_t* commandLine = L"parcelo.exe") {
        return StartWith([](UserSettings&) {}, commandLine);
    }
    // Ends the window the way the program does, which saves.
    void End() { Close(); }
    // Ends it and forgets what it saved, for the next row of a table.
    void Forget() {
        Close();
        DeleteProductKey();
    }
};

void Put(const std::string& key, const char* name, DWORD type, const Bytes& bytes) {
    RegSetKeyValueA(HKEY_CURRENT_USER, (PRODUCT + "\\" + key).c_str(), name, type, bytes.data(),
                    static_cast<DWORD>(bytes.size()));
}

Bytes Sz(const std::string& text, bool withNul = true) {
    Bytes bytes(text.begin(), text.end());
    if (withNul) bytes.push_back(0);
    return bytes;
}

Bytes Dword(int32_t value) {
    Bytes bytes(4);
    memcpy(bytes.data(), &value, 4);
    return bytes;
}

void MakeKey(const std::string& key) { CreateKey(HKEY_CURRENT_USER, PRODUCT + "\\" + key); }

struct Stored {
    bool exists = false;
    DWORD type = REG_NONE;
    Bytes bytes;
    bool operator==(const Stored& other) const {
        return exists == other.exists && type == other.type && bytes == other.bytes;
    }
};

std::ostream& operator<<(std::ostream& out, const Stored& stored) {
    if (!stored.exists) return out << "(absent)";
    out << "type " << stored.type << ":";
    for (unsigned char b : stored.bytes) out << " " << static_cast<int>(b);
    return out;
}

// The bytes as stored, read with RegQueryValueEx: RegGetValue adds a NUL where one is missing.
Stored Get(const std::string& key, const char* name) {
    Stored stored;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (PRODUCT + "\\" + key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return stored;
    const OwnedKey owned(opened);
    Bytes buffer(1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(opened, name, nullptr, &stored.type, buffer.data(), &size) == ERROR_SUCCESS) {
        stored.exists = true;
        buffer.resize(size);
        stored.bytes = buffer;
    }
    return stored;
}

Stored Text(const std::string& text) { return {true, REG_SZ, Sz(text)}; }
Stored Number(int32_t value) { return {true, REG_DWORD, Dword(value)}; }

DWORD ValueCount(const std::string& key) {
    HKEY opened = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (PRODUCT + key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return 0;
    const OwnedKey owned(opened);
    RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    return values;
}

bool KeyExists(const std::string& path) { return KeyExists(HKEY_CURRENT_USER, path); }

POINT TopLeft(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

SIZE SizeOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

// Where gtest looks for them: beside POINT.
bool operator==(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
std::ostream& operator<<(std::ostream& out, POINT p) { return out << "(" << p.x << ", " << p.y << ")"; }

// ---- writing

TEST_F(SettingsTest, AFirstRunWritesAllNineValuesWithTheirTypes) {
    Start();
    const POINT at = TopLeft(handle);
    End();
    struct Expected {
        const char* key;
        const char* name;
        Stored value;
    } expected[] = {
        {"Proxy", "UseProxy", Text("False")},
        {"Proxy", "ProxyIP", {true, REG_SZ, {0}}},  // the NUL alone
        {"Position", "Visible", Text("True")},      // inverted: a closing window is hidden
        {"Position", "X", Number(at.x)},
        {"Position", "Y", Number(at.y)},
        {"Position", "Remind Time", Number(0)},
        {"User", "User name", {true, REG_SZ, {0}}},
        {"User", "Password", {true, REG_SZ, {0}}},
        {"User", "Auto Login", Number(0)},
    };
    for (const Expected& e : expected) EXPECT_EQ(Get(e.key, e.name), e.value) << e.key << "\\" << e.name;
    EXPECT_EQ(ValueCount("\\Proxy"), 2u);
    EXPECT_EQ(ValueCount("\\Position"), 4u);
    EXPECT_EQ(ValueCount("\\User"), 3u);
    EXPECT_EQ(ValueCount(""), 0u);
}

TEST_F(SettingsTest, EveryValueIsWrittenBackEveryTimeFromWhatTheRunHolds) {
    Put("User", "User name", REG_SZ, Sz("me@example.com"));
    Put("User", "Password", REG_SZ, Sz("pa ss"));
    Put("User", "Auto Login", REG_DWORD, Dword(2));  // kept as it is, and no automatic sign-in
    Put("Proxy", "UseProxy", REG_SZ, Sz("yes"));
    Put("Proxy", "ProxyIP", REG_SZ, Sz("10.0.0.1"));
    Put("Position", "Remind Time", REG_DWORD, Dword(1699999999));
    Put("Position", "Visible", REG_SZ, Sz("something"));
    MainWindow& main = Start();
    EXPECT_EQ(main.Session().Settings().autoLogin, 2);
    EXPECT_EQ(fakeAgent.Count(DispSignIn), 0);
    AgentSessionParts(main.Session()).settings.remindTime = 1700000001;
    End();
    EXPECT_EQ(Get("User", "User name"), Text("me@example.com"));
    EXPECT_EQ(Get("User", "Password"), Text("pa ss"));
    EXPECT_EQ(Get("User", "Auto Login"), Number(2));
    EXPECT_EQ(Get("Proxy", "UseProxy"), Text("True"));
    EXPECT_EQ(Get("Proxy", "ProxyIP"), Text("10.0.0.1"));
    EXPECT_EQ(Get("Position", "Remind Time"), Number(1700000001));
    EXPECT_EQ(Get("Position", "Visible"), Text("True"));
}

// Texts in any script come back exactly; what the code-page functions wrote reads the same,
// and what is written now reads the same through them.
TEST_F(SettingsTest, TextsInAnyScriptComeBackExactlyAndReadTheSameBothWays) {
    const std::string user = "дмитрий@пример.рф", password = "пароль 日本語 \U0001F511";
    SetRegText(HKEY_CURRENT_USER, PRODUCT + "\\User", "User name", FromUtf8(user));
    SetRegText(HKEY_CURRENT_USER, PRODUCT + "\\User", "Password", FromUtf8(password));
    const std::string codePage = Narrow(L"Jos\u00e9 \u65e5");  // written the earlier way, in this code page
    Put("Proxy", "ProxyIP", REG_SZ, Sz(codePage));
    MainWindow& main = Start();
    EXPECT_EQ(Utf8(main.Session().Settings().userName), user);
    EXPECT_EQ(Utf8(main.Session().Settings().password), password);
    EXPECT_EQ(main.Session().Settings().proxyIP, Wide(codePage));
    End();
    EXPECT_EQ(StoredText("User", "User name"), user);
    EXPECT_EQ(StoredText("User", "Password"), password);
    EXPECT_EQ(Get("User", "Password").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Get("Proxy", "ProxyIP"), Text(codePage));
}

TEST_F(SettingsTest, AKeyThatCannotBeCreatedIsSkippedAndTheOthersAreWritten) {
    MakeKey("Proxy");
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (PRODUCT + "\\Proxy").c_str(), 0, WRITE_DAC, &opened), ERROR_SUCCESS);
    const OwnedKey proxy(opened);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SECURITY_DESCRIPTOR locked;
    InitializeSecurityDescriptor(&locked, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&locked, TRUE, &empty, FALSE);  // nobody may open it
    ASSERT_EQ(RegSetKeySecurity(proxy.Get(), DACL_SECURITY_INFORMATION, &locked), ERROR_SUCCESS);

    MainWindow& main = Start();
    AgentSessionParts(main.Session()).settings.userName = L"after@example.com";
    End();
    EXPECT_EQ(Get("User", "User name"), Text("after@example.com"));
    EXPECT_EQ(Get("Position", "Remind Time"), Number(0));
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, (PRODUCT + "\\Proxy").c_str()), ERROR_SUCCESS);
}

TEST_F(SettingsTest, TheEndOfTheSessionSavesOnceAndVisibleIsStoredInverted) {
    Start();
    ASSERT_FALSE(IsWindowVisible(handle));
    SendMessageA(handle, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(Get("Position", "Visible"), Text("True"));  // hidden, so "True"
    Forget();

    Start(L" /showparcelo");
    SetWindowPos(handle, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(handle, WM_ENDSESSION, FALSE, 0);  // the session goes on: nothing yet
    EXPECT_FALSE(KeyExists(PRODUCT));
    SendMessageA(handle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(Get("Position", "Visible"), Text("False"));  // shown, so "False"
    EXPECT_EQ(Get("Position", "X"), Number(40));

    // Whatever happens after, nothing is written again.
    SetWindowPos(handle, nullptr, 90, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    AgentSessionParts(window->Session()).settings.userName = L"late@example.com";
    SendMessageA(handle, WM_ENDSESSION, TRUE, 0);
    End();
    EXPECT_EQ(Get("Position", "X"), Number(40));
    EXPECT_EQ(Get("Position", "Y"), Number(30));
    EXPECT_EQ(Get("User", "User name"), Text(""));
}

// As when its creation fails: the settings were never read, so nothing is written over them.
TEST_F(SettingsTest, AWindowGoneBeforeItsDeferredStartWritesNothing) {
    Put("User", "User name", REG_SZ, Sz("me@example.com"));
    Open(L"parcelo.exe", false);
    End();
    EXPECT_EQ(Get("User", "User name"), Text("me@example.com"));
    EXPECT_FALSE(KeyExists(PRODUCT + "\\Position"));
}

// ---- reading

// Which texts mean on is DecodeUseProxy's (RegistryValue, natively); here the value's way there.
TEST_F(SettingsTest, UseProxyIsOnForTrueOrYesInAnyCaseAndUnchangedWhenNotTaken) {
    struct Case {
        const char* name;
        DWORD type;
        Bytes stored;
        int expected;  // 7: the value before the start, untouched
    } cases[] = {
        {"tRuE", REG_SZ, Sz("tRuE"), 1},
        {"15 characters", REG_SZ, Sz("yesyesyesyesyes"), 0},
        {"16 characters: too long", REG_SZ, Sz("truetruetruetrue"), 7},
        {"binary YES without a NUL", REG_BINARY, Sz("YES", false), 1},
        {"a number", REG_DWORD, Dword(1), 0},
        {"absent", REG_NONE, {}, 7},
    };
    for (const Case& c : cases) {
        MakeKey("Proxy");
        if (c.type != REG_NONE) Put("Proxy", "UseProxy", c.type, c.stored);
        MainWindow& main = StartWith([](UserSettings& s) { s.useProxy = 7; });
        EXPECT_EQ(main.Session().Settings().useProxy, c.expected) << c.name;
        Forget();
    }
}

TEST_F(SettingsTest, ProxyIpIsTakenOnlyWhenItFitsSixteenBytesWithItsNul) {
    struct Case {
        const char* name;
        DWORD type;
        Bytes stored;
        const char* expected;
    } cases[] = {
        {"15 characters", REG_SZ, Sz("123.123.123.123"), "123.123.123.123"},
        {"16 characters", REG_SZ, Sz("1234567890123456"), "kept"},
        {"16 characters without a NUL", REG_SZ, Sz("1234567890123456", false), "kept"},
        {"16 binary bytes", REG_BINARY, Sz("1234567890123456", false), "kept"},
        {"15 binary bytes", REG_BINARY, Sz("123456789012345", false), "123456789012345"},
        {"stops at the first NUL", REG_BINARY, {'1', '.', '2', 0, 'x', 'y'}, "1.2"},
        {"empty", REG_SZ, Sz(""), ""},
        {"absent", REG_NONE, {}, "kept"},
    };
    for (const Case& c : cases) {
        MakeKey("Proxy");
        if (c.type != REG_NONE) Put("Proxy", "ProxyIP", c.type, c.stored);
        MainWindow& main = StartWith([](UserSettings& s) { s.proxyIP = L"kept"; });
        EXPECT_EQ(Utf8(main.Session().Settings().proxyIP), c.expected) << c.name;
        End();
        EXPECT_EQ(Get("Proxy", "ProxyIP"), Text(c.expected)) << c.name;
        DeleteProductKey();
    }
}

TEST_F(SettingsTest, ThePositionKeyPlacesTheWindowWithDefaultsForMissingValues) {
    const int defaultX = GetSystemMetrics(SM_CXFULLSCREEN) - DEFAULT_PLACE_INSET.width;
    const int defaultY = GetSystemMetrics(SM_CYFULLSCREEN) - DEFAULT_PLACE_INSET.height;
    Open(L"parcelo.exe", false);
    const POINT created = TopLeft(handle);
    const SIZE size = SizeOf(handle);
    Close();
    ASSERT_FALSE(created == (POINT{defaultX, defaultY}));  // the cases below could not tell them apart

    struct Case {
        const char* name;
        bool key;
        std::vector<std::pair<const char*, std::pair<DWORD, Bytes>>> values;
        POINT expected;
    } cases[] = {
        {"no Position key: not moved", false, {}, created},
        {"an empty Position key", true, {}, {defaultX, defaultY}},
        {"Y only", true, {{"Y", {REG_DWORD, Dword(100)}}}, {defaultX, 100}},
        {"negative", true, {{"X", {REG_DWORD, Dword(-50)}}, {"Y", {REG_DWORD, Dword(-20)}}}, {-50, -20}},
        // Wholly off every monitor: the default place, so that the window can be seen again.
        {"off the screen", true, {{"X", {REG_DWORD, Dword(5000)}}, {"Y", {REG_DWORD, Dword(4000)}}}, {defaultX, defaultY}},
        {"off to the left", true, {{"X", {REG_DWORD, Dword(-size.cx)}}, {"Y", {REG_DWORD, Dword(10)}}}, {defaultX, defaultY}},
        {"near the end of the range", true, {{"X", {REG_DWORD, Dword(0x7FFFFFF0)}}, {"Y", {REG_DWORD, Dword(0x7FFFFFF0)}}},
         {defaultX, defaultY}},
        {"partly on the screen", true, {{"X", {REG_DWORD, Dword(1 - size.cx)}}, {"Y", {REG_DWORD, Dword(10)}}},
         {1 - size.cx, 10}},
        {"two bytes", true, {{"X", {REG_DWORD, {0x34, 0x12}}}, {"Y", {REG_BINARY, {1}}}}, {defaultX, defaultY}},
        {"eight bytes", true, {{"X", {REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}}}, {defaultX, defaultY}},
        {"four binary bytes", true, {{"X", {REG_BINARY, Dword(12)}}, {"Y", {REG_SZ, {'a', 0, 0, 0}}}}, {12, 97}},
    };
    for (const Case& c : cases) {
        if (c.key) MakeKey("Position");
        for (const auto& value : c.values) Put("Position", value.first, value.second.first, value.second.second);
        Start();
        EXPECT_EQ(TopLeft(handle), c.expected) << c.name;
        EXPECT_EQ(SizeOf(handle).cx, size.cx) << c.name;
        EXPECT_EQ(SizeOf(handle).cy, size.cy) << c.name;
        Forget();
    }
}

// A place saved at 100 % flush with the work area's lower right corner, read by a window twice as
// large: flush again, not half off the monitor. A coordinate not stored takes the default place
// for the window's scale.
TEST_F(SettingsTest, APlaceStoredAtALowerScaleKeepsTheGrownWindowOnItsMonitor) {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LayoutSize grown = ScaleToDpi(SKIN_SIZE, 192);
    auto atTwiceTheScale = [this](UserSettings&) { SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(192, 192), 0); };
    Put("Position", "X", REG_DWORD, Dword(work.right - SKIN_SIZE.width));
    Put("Position", "Y", REG_DWORD, Dword(work.bottom - SKIN_SIZE.height));
    StartWith(atTwiceTheScale);
    EXPECT_EQ(TopLeft(handle), (POINT{work.right - grown.width, work.bottom - grown.height}));
    EXPECT_EQ(SizeOf(handle).cx, grown.width);
    Forget();
    Put("Position", "Y", REG_DWORD, Dword(work.top + 10));
    StartWith(atTwiceTheScale);
    EXPECT_EQ(TopLeft(handle), (POINT{GetSystemMetrics(SM_CXFULLSCREEN) - ScaleToDpi(DEFAULT_PLACE_INSET.width, 192),
                                      work.top + 10}));
}

TEST_F(SettingsTest, NumbersAndTextsInOtherShapesAreNotTaken) {
    Put("Position", "Remind Time", REG_DWORD, {0x34, 0x12});              // not 0x1234
    Put("User", "User name", REG_BINARY, Bytes(200, 'u'));                // no room for its NUL
    Put("User", "Password", REG_BINARY, Bytes(199, 'p'));                 // just fits
    Put("User", "Auto Login", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});      // too large: off
    MainWindow& main = StartWith([](UserSettings& s) {
        s.remindTime = 5;
        s.userName = L"kept";
        s.autoLogin = 1;
    });
    EXPECT_EQ(main.Session().Settings().remindTime, 5);
    EXPECT_EQ(Utf8(main.Session().Settings().userName), "kept");
    EXPECT_EQ(Utf8(main.Session().Settings().password), std::string(199, 'p'));
    EXPECT_EQ(main.Session().Settings().autoLogin, 0);
    Forget();

    Put("User", "User name", REG_SZ, Sz(std::string(199, 'u')));        // 200 bytes with its NUL
    Put("User", "Password", REG_SZ, Sz(std::string(200, 'p')));         // 201
    Put("User", "Auto Login", REG_DWORD, {1, 0});
    MainWindow& again = StartWith([](UserSettings& s) { s.password = L"kept"; });
    EXPECT_EQ(Utf8(again.Session().Settings().userName), std::string(199, 'u'));
    EXPECT_EQ(Utf8(again.Session().Settings().password), "kept");
    EXPECT_EQ(again.Session().Settings().autoLogin, 0);
    EXPECT_EQ(fakeAgent.Count(DispSignIn), 0);
}

// ---- the automatic sign-in

TEST_F(SettingsTest, AStoredAutomaticSignInStartsWithTheCredentialsRecordedFirst) {
    Put("User", "User name", REG_SZ, Sz("me@example.com"));
    Put("User", "Password", REG_SZ, Sz("secret"));
    Put("User", "Auto Login", REG_BINARY, Dword(1));  // the stored type is not looked at
    // The credentials and "Connecting..." come before the agent is reached at all; the
    // connection then reports the agent's own status, and the sign-in follows.
    std::vector<std::string> seen;
    fakeAgent.onCall = [&](DISPID id) {
        const std::string recorded = " recorded " + CredentialsOf(window->Session().Held());
        const FakeCall& call = fakeAgent.calls.back();
        if (id == DispGetVersion) seen.push_back("connect" + recorded + " status " + Utf8(window->Status().statusLine1));
        if (id == DispSignIn) seen.push_back("SignIn " + call.args.at(0).text + "/" + call.args.at(1).text + recorded);
        if (id == DispSignOut) seen.push_back("SignOut");
    };
    MainWindow& main = Start();
    fakeAgent.onCall = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "connect recorded me@example.com/secret/1 status " + Utf8(CONNECTING_TEXT),
                        "SignIn me@example.com/secret recorded me@example.com/secret/1"}));
    EXPECT_TRUE(main.Session().Held().HasRequest());
}

TEST_F(SettingsTest, NoAutomaticSignInWithoutAUserNameOrWithAutoLoginOtherThanOne) {
    struct Case {
        const char* name;
        const char* user;
        Bytes autoLogin;
    } cases[] = {
        {"empty user name", "", Dword(1)},
        {"auto login 0", "me@example.com", Dword(0)},
        {"auto login 2", "me@example.com", Dword(2)},
        {"auto login -1", "me@example.com", Dword(-1)},
        {"auto login in two bytes", "me@example.com", {1, 0}},
        {"auto login absent", "me@example.com", {}},
    };
    for (const Case& c : cases) {
        Put("User", "User name", REG_SZ, Sz(c.user));
        Put("User", "Password", REG_SZ, Sz("secret"));
        if (!c.autoLogin.empty()) Put("User", "Auto Login", REG_DWORD, c.autoLogin);
        MainWindow& main = Start();
        EXPECT_EQ(fakeAgent.Count(DispSignIn), 0) << c.name;
        EXPECT_FALSE(main.Session().Held().HasRequest()) << c.name;
        Forget();
    }
}

// ---- clearing

TEST_F(SettingsTest, ClearRegRemovesTheProductKeyWithItsSubkeysAndKeepsTheVendorKey) {
    Put("User", "User name", REG_SZ, Sz("me@example.com"));
    Put("Position", "X", REG_DWORD, Dword(1));
    Put("Proxy\\Deeper", "x", REG_SZ, Sz("y"));
    RegSetKeyValueA(HKEY_CURRENT_USER, PRODUCT.c_str(), "Installed", REG_SZ, "1", 2);
    const std::string other = std::string(VENDOR_KEY) + "\\Other";
    RegSetKeyValueA(HKEY_CURRENT_USER, other.c_str(), "Kept", REG_SZ, "1", 2);
    Open(L"parcelo.exe /clearreg");
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(KeyExists(PRODUCT));
    EXPECT_TRUE(KeyExists(VENDOR_KEY));
    EXPECT_TRUE(KeyExists(other));
    RegDeleteTreeA(HKEY_CURRENT_USER, VENDOR_KEY);

    Open(L"parcelo.exe /clearreg");  // without a vendor key there is nothing to do
    EXPECT_FALSE(KeyExists(VENDOR_KEY));
}

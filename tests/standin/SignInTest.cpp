// Sign-in against the local account store: creation, the same password again, refusals.
#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"
#include "standin/StandinIds.h"
#include "tests/support/Files.h"
#include "tests/support/Registry.h"

using namespace agentproto;

using SignInTest = StandinTest;

TEST_F(SignInTest, FirstSignInCreatesAccountLaterOnesNeedItsPassword) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    EventSink sink;
    Advise(agent.Get(), &sink);
    const std::string account = NewAccount("create");

    EXPECT_EQ(1, SignIn(agent.Get(), account, L"s3cret-pass"));
    EXPECT_EQ(1, Number(agent.Get(), DispIsSignedIn, VT_I4));  // decided before the notifications arrive
    ASSERT_TRUE(sink.WaitForStatus(11));
    EXPECT_EQ("S12 S19 S11", sink.Joined());
    EXPECT_EQ(11, Number(agent.Get(), DispGetStatus, VT_I2));

    // Only a salted hash is kept.
    const std::string key = std::string(standin::AGENT_KEY) + "\\Accounts\\" + account;
    const std::string salt = RegText(HKEY_CURRENT_USER, key, "Salt"), hash = RegText(HKEY_CURRENT_USER, key, "PasswordHash");
    EXPECT_NE(ABSENT_TEXT, salt);
    EXPECT_EQ(64u, hash.size());
    EXPECT_EQ(std::string::npos, (salt + hash).find("s3cret"));

    sink.Clear();
    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispSignOut, {I4(0)}));
    ASSERT_TRUE(sink.WaitForStatus(10));
    EXPECT_EQ(0, Number(agent.Get(), DispIsSignedIn, VT_I4));

    sink.Clear();
    std::string shouting = account;
    for (char& c : shouting) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(1, SignIn(agent.Get(), shouting, L"s3cret-pass"));  // addresses ignore case
    ASSERT_TRUE(sink.WaitForStatus(11));
    EXPECT_EQ("S12 S19 S11", sink.Joined());

    sink.Clear();
    EXPECT_EQ(1, SignIn(agent.Get(), account, L"S3CRET-PASS"));  // passwords do not
    ASSERT_TRUE(sink.WaitForStatus(108));
    EXPECT_EQ("S12 S108", sink.Joined());
    EXPECT_EQ(0, Number(agent.Get(), DispIsSignedIn, VT_I4));
    EXPECT_EQ(108, Number(agent.Get(), DispGetStatus, VT_I2));
}

TEST_F(SignInTest, AddressesInAnyScriptSignInInOneSpelling) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    EventSink sink;
    Advise(agent.Get(), &sink);
    // The local part in lower case, the domain in its ASCII form.
    Forget(L"jos\x00e9@example.com");
    Forget(L"\x7528\x6237@xn--fsqu00a.xn--4rr70v");

    const std::pair<const wchar_t*, const wchar_t*> attempts[] = {
        {L"jos\x00e9@example.com", L"S12 S19 S11"},
        {L"JOS\x00c9@EXAMPLE.COM", L"S12 S19 S11"},   // the same account
        {L"jose\x0301@example.com", L"S12 S19 S11"},  // the same, its accent apart
        {L"\x7528\x6237@\x4f8b\x5b50.\x5e7f\x544a", L"S12 S19 S11"},
    };
    for (const auto& attempt : attempts) {
        sink.Clear();
        EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispSignOut, {I4(0)}));
        EXPECT_EQ(1, SignIn(agent.Get(), attempt.first, L"pw"));
        ASSERT_TRUE(sink.WaitForStatus(11));
        EXPECT_EQ(Utf8(std::wstring(L"S10 ") + attempt.second), sink.Joined());
    }
    sink.Clear();
    EXPECT_EQ(1, SignIn(agent.Get(), std::wstring(L"Jos\x00e9@example.com"), L"other"));
    ASSERT_TRUE(sink.WaitForStatus(108));
    EXPECT_EQ("S12 S108", sink.Joined());
}

TEST_F(SignInTest, MalformedAddressIsRefusedAsABadUserNameAndEmptyPasswordWith104) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    EventSink sink;
    Advise(agent.Get(), &sink);

    const std::string good = NewAccount("malformed");
    for (const char* address : {"", "no-at-sign.example.com", "two@@example.com", "a@localhost", "dot.@example.com",
                                "a b@example.com", "a@-example.com", "a@example.c0m", "a\\b@example.com",
                                "a#b@example.com"}) {
        sink.Clear();
        EXPECT_EQ(0, SignIn(agent.Get(), address, L"password")) << address;
        ASSERT_TRUE(sink.WaitForStatus(108)) << address;
        EXPECT_EQ("S108", sink.Joined()) << address;
    }
    sink.Clear();
    EXPECT_EQ(0, SignIn(agent.Get(), good, L""));
    ASSERT_TRUE(sink.WaitForStatus(104));
    EXPECT_EQ(0, Number(agent.Get(), DispIsSignedIn, VT_I4));
    HKEY created = nullptr;  // nothing was created
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + good).c_str(),
                                           0, KEY_READ, &created));
}

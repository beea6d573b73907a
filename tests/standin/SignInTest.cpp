// Sign-in against the local account store: creation, the same password again, refusals.
#include "UploadFixture.h"
#include "standin/StandinIds.h"
#include "tests/support/Registry.h"

using namespace agentproto;

class SignInTest : public UploadTest {
protected:
    // A sign-in that the agent takes (`taken` 1) or refuses at once (0), and the statuses the
    // sink hears from it up to `last`.
    template <class Address>
    std::string Heard(const Address& address, const wchar_t* password, LONG taken, short last) {
        sink_.Clear();
        EXPECT_EQ(taken, SignIn(agent_.Get(), address, password)) << ::testing::PrintToString(address);
        if (!sink_.WaitForStatus(last)) return "no status " + std::to_string(last) + " after " + sink_.Joined();
        return sink_.Joined();
    }
};

TEST_F(SignInTest, FirstSignInCreatesAccountLaterOnesNeedItsPassword) {
    const std::string account = NewAccount("create");

    EXPECT_EQ(1, SignIn(agent_.Get(), account, L"s3cret-pass"));
    EXPECT_EQ(1, Number(agent_.Get(), DispIsSignedIn, VT_I4));  // decided before the notifications arrive
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S12 S19 S11", sink_.Joined());
    EXPECT_EQ(11, Number(agent_.Get(), DispGetStatus, VT_I2));

    // Only a salted hash is kept.
    const std::string key = std::string(standin::AGENT_KEY) + "\\Accounts\\" + account;
    const std::string salt = RegText(HKEY_CURRENT_USER, key, "Salt"), hash = RegText(HKEY_CURRENT_USER, key, "PasswordHash");
    EXPECT_NE(ABSENT_TEXT, salt);
    EXPECT_EQ(64u, hash.size());
    EXPECT_EQ(std::string::npos, (salt + hash).find("s3cret"));

    sink_.Clear();
    EXPECT_HRESULT_SUCCEEDED(Call(agent_.Get(), DispSignOut, {I4(0)}));
    ASSERT_TRUE(sink_.WaitForStatus(10));
    EXPECT_EQ(0, Number(agent_.Get(), DispIsSignedIn, VT_I4));

    std::string shouting = account;
    for (char& c : shouting) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ("S12 S19 S11", Heard(shouting, L"s3cret-pass", 1, 11));  // addresses ignore case
    EXPECT_EQ("S12 S108", Heard(account, L"S3CRET-PASS", 1, 108));     // passwords do not
    EXPECT_EQ(0, Number(agent_.Get(), DispIsSignedIn, VT_I4));
    EXPECT_EQ(108, Number(agent_.Get(), DispGetStatus, VT_I2));
}

TEST_F(SignInTest, AddressesInAnyScriptSignInInOneSpelling) {
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
        sink_.Clear();
        EXPECT_HRESULT_SUCCEEDED(Call(agent_.Get(), DispSignOut, {I4(0)}));
        EXPECT_EQ(1, SignIn(agent_.Get(), attempt.first, L"pw"));
        ASSERT_TRUE(sink_.WaitForStatus(11));
        EXPECT_EQ(Utf8(std::wstring(L"S10 ") + attempt.second), sink_.Joined());
    }
    EXPECT_EQ("S12 S108", Heard(std::wstring(L"Jos\x00e9@example.com"), L"other", 1, 108));
}

TEST_F(SignInTest, MalformedAddressIsRefusedAsABadUserNameAndEmptyPasswordWith104) {
    const std::string good = NewAccount("malformed");
    for (const char* address : {"", "no-at-sign.example.com", "two@@example.com", "a@localhost", "dot.@example.com",
                                "a b@example.com", "a@-example.com", "a@example.c0m", "a\\b@example.com",
                                "a#b@example.com"}) {
        EXPECT_EQ("S108", Heard(std::string(address), L"password", 0, 108)) << address;
    }
    sink_.Clear();
    EXPECT_EQ(0, SignIn(agent_.Get(), good, L""));
    ASSERT_TRUE(sink_.WaitForStatus(104));
    EXPECT_EQ(0, Number(agent_.Get(), DispIsSignedIn, VT_I4));
    HKEY created = nullptr;  // nothing was created
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + good).c_str(),
                                           0, KEY_READ, &created));
}

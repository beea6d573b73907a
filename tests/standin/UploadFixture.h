// Fixture for the upload and sign-in cases: one client with its sink advised; the upload cases sign
// it in as a test account.
#pragma once

#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"
#include "tests/support/Files.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/MessagePump.h"

class UploadTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        agent_ = Create();
        ASSERT_TRUE(agent_);
        Advise(agent_.Get(), &sink_);
    }
    void TearDown() override {
        agent_.Reset();
        StandinTest::TearDown();
    }
    void SignInAs(const std::string& account) {
        ASSERT_EQ(1, SignIn(agent_.Get(), account, L"pw"));
        ASSERT_TRUE(sink_.WaitForStatus(11));
        sink_.Clear();
    }
    // A new test account, signed in.
    std::string SignedIn(const char* tag) {
        const std::string account = NewAccount(tag);
        SignInAs(account);
        return account;
    }
    void Upload(const std::wstring& item) {
        EXPECT_HRESULT_SUCCEEDED(Call(agent_.Get(), agentproto::DispUpload, {Text(item.c_str()), Flag(false)}));
    }
    // Queues the items behind a download that the loopback server holds until all are queued,
    // so that the worker takes them in one run: the statuses begin with that download's "S13".
    void UploadInOneRun(const std::vector<std::wstring>& items) {
        LoopbackServer held("ID3held", true);
        Upload(L"http://127.0.0.1:" + std::to_wstring(held.Port()) + L"/held.mp3");
        // Asked for before the server goes: a server gone before the worker connects refuses it.
        ASSERT_TRUE(PumpUntil([&] { return !held.Requests().empty(); }));
        for (const std::wstring& item : items) Upload(item);
        held.Release();
    }
    short FilesToGo() { return static_cast<short>(Number(agent_.Get(), agentproto::DispGetFilesToGo, VT_I2)); }
    std::wstring CurrentFileName() { return TextOf(agent_.Get(), agentproto::DispGetCurrentFileName); }
    // Same bytes in the Locker as in the source; no gigantic diff on failure.
    void ExpectCopied(const std::string& expected, const std::wstring& lockerFile) {
        EXPECT_TRUE(Exists(lockerFile));
        const std::string actual = Contents(lockerFile);
        EXPECT_TRUE(actual == expected) << actual.size() << " bytes instead of " << expected.size();
    }

    ComPtr<IDispatch> agent_;
    EventSink sink_;
};

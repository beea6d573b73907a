// The agent client against the real out-of-process stand-in agent, in scripted mode.
#include <gtest/gtest.h>

#include "agent/AgentProtocol.h"
#include "standin/StandinIds.h"
#include "tests/support/AgentScript.h"
#include "tests/support/Files.h"
#include "tests/support/Items.h"
#include "tests/support/MessagePump.h"
#include "tests/support/Owned.h"
#include "tests/support/ScopedRegValue.h"
#include "tests/fakes/FakeHost.h"

using namespace agentproto;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const std::string& line : lines)
        if (line == wanted) return true;
    return false;
}

class AgentIntegration : public ::testing::Test {
protected:
    AgentClient* Connect() {
        AgentClient* client = host.GetAgentClient();
        EXPECT_NE(client, nullptr);
        EXPECT_TRUE(host.boxes.empty()) << (host.boxes.empty() ? "" : host.boxes[0].text);
        return client;
    }
    bool DisplayShows(const std::string& entry) const { return Contains(host.display, entry); }

    OleScope ole;
    AgentScript script;
    FakeHost host{&CreateAgentObject};
};

}  // namespace

TEST_F(AgentIntegration, ConnectsChecksTheVersionConfiguresAndShowsThePresentStatus) {
    script.Set("Status", 11);
    ASSERT_NE(Connect(), nullptr);
    EXPECT_STREQ(host.link.Current()->GetVersion(), L"1.6.0");
    EXPECT_TRUE(DisplayShows("status:Drag files here|(null)"));
    const std::vector<std::string> log = script.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "dispid=13\tflags=1\tlcid=1024\tnamed=0\targc=0");
    EXPECT_EQ(log[1], "dispid=15\tflags=1\tlcid=1024\tnamed=0\targc=0");
    EXPECT_EQ(log[2], "dispid=14\tflags=1\tlcid=1024\tnamed=0\targc=1\t2:5");
}

TEST_F(AgentIntegration, AnOldAgentOrOneThatCannotSayItsVersionIsRefusedWithCodeThree) {
    script.Set("13.hr", static_cast<DWORD>(E_FAIL));
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    script.Remove("13.hr");
    script.Set("13.vt", VT_BSTR);  // a null BSTR
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    ASSERT_EQ(host.boxes.size(), 4u);
    EXPECT_NE(host.boxes[3].text.find("failure code '3'"), std::string::npos);

    host.boxes.clear();
    script.SetText("13.value", "1.5.99");
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].caption, "API");
    EXPECT_NE(host.boxes[1].text.find("failure code '3'"), std::string::npos);
    EXPECT_TRUE(script.LoggedCalls(DispConfigure).empty());

    script.SetText("13.value", "1.6.000");
    host.boxes.clear();
    EXPECT_NE(Connect(), nullptr);
}

TEST_F(AgentIntegration, NotificationsArriveOnTheGuiThread) {
    AgentClient* client = Connect();
    ASSERT_NE(client, nullptr);
    script.Set("17.vt", VT_BSTR);
    script.SetText("17.value", "C:\\Music\\Long song name.mp3");
    ASSERT_TRUE(AgentScript::Fire(2, 13));
    ASSERT_TRUE(PumpUntil([&] { return DisplayShows("uploading:C:\\Music\\Long song name.mp3"); }));
    ASSERT_TRUE(AgentScript::Fire(1, -1));  // arrives as 0xFFFF
    ASSERT_TRUE(PumpUntil([&] { return DisplayShows("progress:-1"); }));
    ASSERT_TRUE(AgentScript::Fire(1, 40));
    ASSERT_TRUE(PumpUntil([&] { return DisplayShows("progress:40/0"); }));
}

TEST_F(AgentIntegration, ASuccessReportedInsideSignInStoresThatSignInAndReplays) {
    ASSERT_NE(Connect(), nullptr);
    host.deferred.RecordRequest(L"old@example.com", L"old", 1);
    host.deferred.AddPendingFile(Dropped("http://127.0.0.1:9/a.mp3"));
    script.Set("2.vt", VT_I4);
    script.Set("2.value", 1);
    script.SetText("2.events", "2:19");
    script.Set("12.vt", VT_I2);
    script.Set("12.value", 1);
    script.Set("1.hr", S_OK);
    host.signInDialog = SignInAndConfirm(host, "new@example.com", "new pass", 0);
    EXPECT_TRUE(host.receiver.ShowSignInDialog());
    host.HandOver();
    EXPECT_EQ(CredentialsOf(host.settings), "new@example.com/new pass/0");
    const std::vector<std::string> signIns = script.LoggedCalls(DispSignIn);
    ASSERT_EQ(signIns.size(), 1u);
    EXPECT_EQ(signIns[0], "dispid=2\tflags=1\tlcid=1024\tnamed=0\targc=3\t8:new@example.com\t8:new pass\t8:Parcelo 1.0");
    EXPECT_EQ(script.LoggedCalls(DispSignOut).size(), 1u);
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], "dispid=1\tflags=1\tlcid=1024\tnamed=0\targc=2\t8:http://127.0.0.1:9/a.mp3\t11:1");
}

TEST_F(AgentIntegration, TheDefaultAgentSignsInAndTheWaitingFileIsUploaded) {
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string root = TempFolder() + "parcelo-locker-" + tag;
    const std::string file = TempFolder() + "parcelo-it-" + tag + ".mp3";
    const std::string user = "it" + tag + "@example.com";
    const ScopedRegValue lockerRoot(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", root);
    ASSERT_TRUE(WriteBytes(file, std::string(200000, 'a')));
    ASSERT_NE(Connect(), nullptr);
    host.receiver.AddFile(Dropped(file.c_str(), true));  // signed out: waits
    EXPECT_EQ(host.deferred.pendingFiles.size(), 1u);
    host.receiver.RequestSignIn(Wide(user), L"pw", 1, true);
    const bool finished = PumpUntil([&] {
        host.HandOver();  // as the window does once the sign-in is reported done
        return !host.display.empty() && host.display.back() == "progress:-1" && DisplayShows("uploading:" + file);
    });
    std::string seen;
    for (const std::string& entry : host.display) seen += entry + "\n";
    EXPECT_TRUE(finished) << seen;
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
    EXPECT_EQ(Utf8(host.settings.userName), user);
    const std::string stored = root + "\\" + user + "\\parcelo-it-" + tag + ".mp3";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    EXPECT_TRUE(GetFileAttributesExA(stored.c_str(), GetFileExInfoStandard, &data)) << stored;
    EXPECT_EQ(data.nFileSizeLow, 200000u);

    RemoveTree(root);
    DeleteFileA(file.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + user).c_str());
}

TEST_F(AgentIntegration, AfterTheAgentDiesTheNextRequestConnectsAfresh) {
    AgentClient* first = Connect();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(AgentScript::KillServer());
    EXPECT_EQ(host.receiver.AddFile(Dropped("C:\\waiting.mp3")), AddResult::AgentGone);
    EXPECT_TRUE(first->IsGone());
    EXPECT_TRUE(host.deferred.pendingFiles.empty());

    script.Set("12.vt", VT_I2);
    script.Set("12.value", 1);
    script.Set("1.hr", S_OK);
    EXPECT_EQ(host.receiver.AddFile(Dropped("C:\\waiting.mp3")), AddResult::Handled);
    EXPECT_NE(host.link.Current(), first);
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_NE(uploads[0].find("8:C:\\waiting.mp3"), std::string::npos) << uploads[0];
}

TEST_F(AgentIntegration, AnAgentThatDiesUnnoticedLeavesAnOrderlyShutdown) {
    ASSERT_NE(Connect(), nullptr);
    ASSERT_TRUE(AgentScript::KillServer());
    host.link.Destroy();  // then OLE shuts down in the fixture: it must not fault
}

class UnregisteredAgent : public AgentIntegration {
protected:
    void SetUp() override {
        char clsid[64] = {};
        LONG size = sizeof clsid;
        ASSERT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, KEY, clsid, &size), ERROR_SUCCESS);
        saved_ = clsid;
        ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Velorex2.Request2"), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegSetValueA(HKEY_LOCAL_MACHINE, KEY, REG_SZ, saved_.c_str(), static_cast<DWORD>(saved_.size()));
    }
    static constexpr const char* KEY = "Software\\Classes\\Velorex2.Request2\\CLSID";
    std::string saved_;
};

TEST_F(UnregisteredAgent, GivesFailureCodeOneEachTime) {
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    EXPECT_EQ(host.GetAgentClient(), nullptr);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].caption, "Failure");
    EXPECT_EQ(host.boxes[0].text,
              "Failed to connect to Sonavo Server with failure code '1'. Reinstall Parcelo or download newer version.");
}

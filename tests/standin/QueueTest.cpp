// The upload queue as a client meets it: each notification names its own file, uploads
// outlive the clients and the process, and an ended process leaves nothing half-written.
#include <shlobj.h>

#include <algorithm>

#include "UploadFixture.h"
#include "tests/support/AgentScript.h"

using namespace agentproto;

namespace {

// The highest progress heard so far, -1 before any.
int HighestProgress(const EventSink& sink) {
    int highest = -1;
    for (const std::string& e : sink.events())
        if (e[0] == 'P') highest = std::max(highest, std::stoi(e.substr(1)));
    return highest;
}

}  // namespace

TEST_F(UploadTest, EachFailureNamesTheFileItHappenedTo) {
    const std::string account = SignedIn("named");
    sink_.AskNames(agent_.Get());  // as the client does when a status arrives

    UploadInOneRun({scratch_ + L"\\A.mp3", WriteSource(L"B.mp3", 100), scratch_ + L"\\C.mp3",
                    WriteSource(L"D.mp3", 100)});
    ASSERT_TRUE(sink_.WaitForStatus(11)) << sink_.Joined();
    EXPECT_EQ("S13:held.mp3 S13:A.mp3 S111:A.mp3 S13:B.mp3 S13:C.mp3 S111:C.mp3 S13:D.mp3 S11:D.mp3",
              sink_.Statuses());
}

TEST_F(UploadTest, QueueReleasedAtTwoThirdsIsFinishedBeforeTheServerEnds) {
    const std::string account = SignedIn("released");
    SetAgentValue("ChunkDelay", 20);  // 16 chunks a file: the first takes a third of a second
    std::vector<std::wstring> songs;
    for (const wchar_t* name : {L"one.mp3", L"two.mp3", L"three.mp3"}) songs.push_back(WriteSource(name, 1 << 20));
    UniqueHandle server(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, AgentScript::AgentPid()));
    ASSERT_TRUE(server.Valid());

    for (const std::wstring& song : songs) Upload(song);
    ASSERT_TRUE(PumpUntil([&] { return HighestProgress(sink_) >= 65; }));
    agent_.Reset();  // the client exits: its last reference goes
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.Get(), 20000));
    DWORD code = 99;
    GetExitCodeProcess(server.Get(), &code);
    EXPECT_EQ(0u, code);
    for (const std::wstring& song : songs)
        ExpectCopied(Contents(song), LockerOf(account) + song.substr(song.find_last_of(L'\\')));
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\Waiting uploads.queue"));
}

TEST_F(UploadTest, QueueOfAnEndedServerGoesOnAtTheAccountsNextSignIn) {
    const std::string account = SignedIn("resumed");
    SetAgentValue("ChunkDelay", 100);  // 16 chunks a file: the first takes more than a second and a half
    const std::wstring first = WriteSource(L"first.mp3", 1 << 20), second = WriteSource(L"second.mp3", 1 << 20);
    Upload(first);
    Upload(second);
    ASSERT_TRUE(PumpUntil([&] { return HighestProgress(sink_) > 0; }));
    ASSERT_TRUE(AgentScript::KillServer());  // ends at once, as at a sign-off from Windows
    agent_.Reset();

    SetAgentValue("ChunkDelay", 0);
    agent_ = Create();
    ASSERT_TRUE(agent_);
    EventSink sink;
    Advise(agent_.Get(), &sink);
    ASSERT_EQ(1, SignIn(agent_.Get(), account, L"pw"));
    ASSERT_TRUE(sink.WaitForStatus(11));
    EXPECT_EQ("S12 S19 S13 S13 S11", sink.Statuses());
    ExpectCopied(Contents(first), LockerOf(account) + L"\\first.mp3");
    ExpectCopied(Contents(second), LockerOf(account) + L"\\second.mp3");
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\first.mp3.part"));
}

TEST_F(UploadTest, LeftoversOfTheAccountGoAtItsFirstUpload) {
    const std::string account = NewAccount("leftovers"), other = NewAccount("others");
    for (const std::string& a : {account, other}) {
        ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, LockerOf(a).c_str(), nullptr));
        ASSERT_TRUE(WriteBytes(LockerOf(a) + L"\\big.mp3.part", "half a song"));
    }
    SignInAs(account);

    Upload(WriteSource(L"small.mp3", 100));
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\big.mp3.part"));
    EXPECT_TRUE(Exists(LockerOf(other) + L"\\big.mp3.part"));  // another account's is left alone
    EXPECT_TRUE(Exists(LockerOf(account) + L"\\small.mp3"));
}

TEST_F(UploadTest, SigningInAgainToTheSameAccountKeepsItsUploadsGoing) {
    const std::string account = SignedIn("again");
    SetAgentValue("ChunkDelay", 100);
    const std::wstring song = WriteSource(L"song.mp3", 1 << 20);
    Upload(song);
    ASSERT_TRUE(PumpUntil([&] { return HighestProgress(sink_) > 0; }));

    // As Parcelo does when it starts again with an automatic sign-in.
    ASSERT_EQ(1, SignIn(agent_.Get(), account, L"pw"));
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S12 S19 S13 S11", sink_.Statuses());
    ExpectCopied(Contents(song), LockerOf(account) + L"\\song.mp3");
}

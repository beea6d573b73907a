// Dropped items, the Locker request and the sign-in that they may wait for.
#include "tests/unit/AgentFixture.h"
#include "tests/support/Files.h"
#include "tests/support/Items.h"
#include "tests/support/MessagePump.h"
#include "tests/support/Owned.h"

#include <winioctl.h>

#include <set>

#include "agent/StatusTable.h"
#include "agent/UploadController.h"
#include "drop/HandOverQueue.h"

TEST_F(AgentTest, SignedInItemsGoStraightToTheAgent) {
    Connected(true);
    EXPECT_EQ(host.receiver.BeginFiles(), BeginResult::Go);
    host.receiver.AddFile(Dropped("http://host.invalid/a.mp3"));
    host.receiver.AddFile(Dropped("no such file.mp3"));
    EXPECT_EQ(host.signInDialogRuns, 0);
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"http://host.invalid/a.mp3", "no such file.mp3"}));
    EXPECT_EQ(agent.Last(DispUpload)->args[1].text, "1");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(AgentTest, ThreeItemsDroppedSignedOutWaitForTheSignInAndKeepTheirOrder) {
    Connected();
    host.signInDialog = SignInAndConfirm(host, "me@example.com", "pw", 0);
    ASSERT_EQ(host.receiver.BeginFiles(), BeginResult::Go);
    for (const char* item : {"C:\\1.mp3", "C:\\2.mp3", "C:\\1.mp3"}) host.receiver.AddFile(Dropped(item));
    EXPECT_EQ(host.signInDialogRuns, 1);
    EXPECT_EQ(agent.Count(DispSignOut), 1);
    EXPECT_EQ(agent.Last(DispSignIn)->args[0].text, "me@example.com");
    EXPECT_EQ(agent.Count(DispUpload), 0);
    EXPECT_EQ(host.display, (std::vector<std::string>{"status:Connecting...|(null)"}));

    agent.AnswerShort(DispIsSignedIn, 1);
    agent.Fire(2, 19);
    EXPECT_EQ(agent.Count(DispUpload), 0);  // nothing is asked of the agent while it notifies
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3", "C:\\1.mp3"}));
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
    EXPECT_EQ(CredentialsOf(host.settings), "me@example.com/pw/0");
}

TEST_F(AgentTest, ItemsLostWithTheirAgentGoToTheNextConnectionInOrder) {
    Connected(true);
    spare.AnswerShort(DispIsSignedIn, 1);
    // The agent's process goes away while it is given "2".
    agent.onCall = [this](DISPID id) {
        if (id == DispUpload && agent.calls.back().args[0].text == "C:\\2.mp3")
            agent.Fail(DispUpload, static_cast<HRESULT>(0x800706BEL));
    };
    host.handOver.Append({{}, {Dropped("C:\\1.mp3"), Dropped("C:\\2.mp3"), Dropped("C:\\3.mp3")}});
    FakeHost::nextAgent = &spare;
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3"}));
    EXPECT_EQ(spare.Uploaded(), (std::vector<std::string>{"C:\\2.mp3", "C:\\3.mp3"}));
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
    EXPECT_EQ(host.signInDialogRuns, 0);  // the new connection was asked and said signed in
    EXPECT_TRUE(host.boxes.empty());
}

// An agent that dies on every upload: one new agent is tried, never a second; everything not
// handed over waits in drop order, the user is told once, and the next drop sends it first.
TEST_F(AgentTest, AnAgentThatDiesTwiceInARowEndsTheAttemptAndHoldsEverythingInOrder) {
    Connected();
    for (FakeAgent* dying : {&agent, &spare}) {
        dying->AnswerShort(DispIsSignedIn, 1);
        dying->Fail(DispUpload, static_cast<HRESULT>(0x800706BEL));
    }
    host.handOver.Append({{}, {Dropped("C:\\1.mp3"), Dropped("C:\\2.mp3"), Dropped("C:\\3.mp3")}});
    host.handOver.Append({{}, {Dropped("C:\\4.mp3")}});
    FakeHost::nextAgent = &spare;
    host.HandOver();
    EXPECT_EQ(FakeHost::factoryCalls, 2);  // the first connection and one new agent
    EXPECT_EQ(agent.Uploaded(), std::vector<std::string>{"C:\\1.mp3"});
    EXPECT_EQ(spare.Uploaded(), std::vector<std::string>{"C:\\1.mp3"});
    EXPECT_EQ(Texts(host.deferred.pendingFiles),
              (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3", "C:\\4.mp3"}));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, Utf8(AGENT_STOPPED_TEXT));

    FakeAgent third;
    third.AnswerShort(DispIsSignedIn, 1);
    FakeHost::nextAgent = &third;
    host.handOver.Append({{}, {Dropped("C:\\5.mp3")}});
    host.HandOver();
    EXPECT_EQ(third.Uploaded(),
              (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3", "C:\\3.mp3", "C:\\4.mp3", "C:\\5.mp3"}));
    EXPECT_EQ(host.boxes.size(), 1u);
    host.link.Destroy();  // before `third` goes
}

// Signed out, a sign-in in the middle of a batch: the agent may say "signed in" before it
// reports the sign-in done, and report it while it is asked: nothing overtakes what was held
// for it, nor does a drop made meanwhile.
TEST_F(AgentTest, ASignInInTheMiddleOfABatchKeepsDropOrder) {
    Connected();
    host.signInDialog = SignInAndConfirm(host, "me@example.com", "pw");
    int asked = 0;
    agent.onCall = [&](DISPID id) {
        if (id != DispIsSignedIn) return;
        if (++asked == 4) agent.AnswerShort(DispIsSignedIn, 1);  // at a3: signed in, no 19 yet
        if (asked == 5) {                                        // at a4: 19 while it is asked
            agent.Fire(2, 19);
            host.handOver.Append({{}, {Dropped("C:\\later.mp3")}});
        }
    };
    std::vector<UploadItem> batch;
    for (const char* item : {"C:\\a1.mp3", "C:\\a2.mp3", "C:\\a3.mp3", "C:\\a4.mp3", "C:\\a5.mp3"})
        batch.push_back(Dropped(item));
    host.handOver.Append({{}, batch});
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\a1.mp3", "C:\\a2.mp3", "C:\\a3.mp3", "C:\\a4.mp3",
                                                          "C:\\a5.mp3", "C:\\later.mp3"}));
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
    EXPECT_EQ(host.signInDialogRuns, 1);
}

// The replay runs outside the notification, so an agent that refuses calls while it fires
// still gets every item, and a step that throws stops neither that batch nor the next drop.
TEST_F(AgentTest, TheReplayNeedsNoCallInsideTheNotificationAndSurvivesAThrowingStep) {
    Connected();
    agent.refuseWhileFiring = true;
    agent.AnswerShort(DispIsSignedIn, 1);
    for (const char* item : {"C:\\a.mp3", "boom", "C:\\b.mp3"}) host.deferred.AddPendingFile(Dropped(item));
    agent.Fire(2, 19);
    struct Throwing : FileReceiver {
        using FileReceiver::FileReceiver;
        AddResult AddFile(const UploadItem& item) override {
            if (item.text == L"boom") throw std::bad_alloc();
            return FileReceiver::AddFile(item);
        }
    } throwing{{host, host.link, host.deferred, host.settings, host.parts.scheduler}};
    while (host.handOver.RunSlice(throwing, [] { return true; })) {
    }
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, Utf8(STEP_FAILED_TEXT));
    host.handOver.Append({{}, {Dropped("C:\\next.mp3")}});
    EXPECT_FALSE(host.handOver.RunSlice(throwing, [] { return true; }));
    EXPECT_EQ(agent.Uploaded().back(), "C:\\next.mp3");
}

TEST_F(AgentTest, EverySliceHandsSomethingOverEvenWhenOtherWorkIsAlwaysWaiting) {
    Connected(true);
    HandOverQueue queue;
    queue.Append({{}, {Dropped("C:\\1.mp3"), Dropped("C:\\2.mp3")}});
    int slices = 1;
    while (queue.RunSlice(host.receiver, [] { return false; })) ++slices;
    EXPECT_EQ(slices, 4);  // BeginFiles, one item a slice, the end of the batch
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\1.mp3", "C:\\2.mp3"}));
}

// Cancelled, whether asked for by a drop or by the Locker request, nothing is handed over later.
TEST_F(AgentTest, CancelHandsNothingOverAndDropsWhatWaited) {
    AgentClient& client = Connected();
    host.deferred.AddPendingFile(Dropped("C:\\earlier.mp3"));
    host.deferred.HoldLockerRequest();
    EXPECT_EQ(host.receiver.BeginFiles(), BeginResult::Stop);
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
    EXPECT_EQ(host.deferred.lockerPending, 0);
    EXPECT_EQ(agent.Count(DispSignIn), 0);
    EXPECT_EQ(client.OpenLocker(), E_FAIL);
    agent.AnswerShort(DispIsSignedIn, 1);
    agent.Fire(2, 19);
    host.HandOver();
    EXPECT_EQ(agent.Count(DispOpenLocker), 0);
    EXPECT_EQ(agent.Count(DispUpload), 0);
}

// No agent, or one that went away: the user is told and never asked to sign in, and what was
// dropped waits in order for an agent that answers.
TEST_F(AgentTest, AnAgentThatIsGoneIsNeverASignOut) {
    FakeHost::nextAgent = nullptr;
    host.handOver.Append({{}, {Dropped("C:\\a.mp3"), Dropped("C:\\b.mp3")}});
    host.HandOver();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Failure");
    EXPECT_EQ(Texts(host.deferred.pendingFiles), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));

    // Gone while idle: a new agent is asked once, and takes what waited before the new drop.
    FakeHost::nextAgent = &agent;
    Connected();
    agent.Fail(DispIsSignedIn, static_cast<HRESULT>(0x800706BAL));
    spare.AnswerShort(DispIsSignedIn, 1);
    FakeHost::nextAgent = &spare;
    host.handOver.Append({{}, {Dropped("C:\\c.mp3")}});
    host.HandOver();
    EXPECT_EQ(spare.Uploaded(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3", "C:\\c.mp3"}));

    // Gone, and no new one starts: told again, and the drop waits.
    spare.Fail(DispIsSignedIn, static_cast<HRESULT>(0x800706BAL));
    FakeHost::nextAgent = nullptr;
    host.handOver.Append({{}, {Dropped("C:\\d.mp3")}});
    host.HandOver();
    EXPECT_EQ(Texts(host.deferred.pendingFiles), std::vector<std::string>{"C:\\d.mp3"});
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.signInDialogRuns, 0);
}

// A question the agent turned away, or that failed for no reason that says anything about
// the sign-in, holds nothing for a sign-in: it is asked again at the next slice, and an item
// whose question fails twice is named with the others the agent did not take.
TEST_F(AgentTest, ARejectedOrFailedSignedInQueryIsAskedAgainAtTheNextSliceNotTakenForASignOut) {
    Connected();
    std::set<int> failing = {1, 3};  // the drop's first question, then its first item's
    HRESULT failure = RPC_E_CALL_REJECTED;
    int asked = 0;
    agent.onCall = [&](DISPID id) {
        if (id != DispIsSignedIn) return;
        if (failing.count(++asked)) agent.Fail(DispIsSignedIn, failure);
        else agent.AnswerShort(DispIsSignedIn, 1);
    };
    host.handOver.Append({{}, {Dropped("C:\\a.mp3"), Dropped("C:\\b.mp3")}});
    ASSERT_TRUE(host.handOver.RunSlice(host.receiver, [] { return true; }));
    EXPECT_TRUE(host.handOver.Waiting());  // the next slice asks again, a little later
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));

    asked = 0;
    failing = {2, 3};  // both questions for c
    failure = E_FAIL;
    host.handOver.Append({{}, {Dropped("C:\\c.mp3"), Dropped("C:\\d.mp3")}});
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3", "C:\\d.mp3"}));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "1 file could not be handed to UploadAgent:\nC:\\c.mp3");
    EXPECT_EQ(host.signInDialogRuns, 0);
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
}

// The agent failed inside Upload, so it queued nothing and will report nothing: the user hears
// of every such item of a drop in one box, and the agent takes the next drop.
TEST_F(AgentTest, ItemsTheAgentFailedToTakeAreNamedInOneBoxPerDrop) {
    Connected(true);
    agent.Fail(DispUpload, RPC_E_SERVERFAULT);
    host.handOver.Append({{}, {Dropped("C:\\1.mp3"), Dropped("http://host.invalid/2.mp3"), Dropped("C:\\3.mp3")}});
    host.HandOver();
    EXPECT_EQ(agent.Count(DispUpload), 3);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "3 files could not be handed to UploadAgent:\nC:\\1.mp3\nhttp://host.invalid/2.mp3\nC:\\3.mp3");
    EXPECT_EQ(host.boxes[0].caption, "Parcelo");

    agent.Answer(DispUpload, FakeAnswer{});
    host.handOver.Append({{}, {Dropped("C:\\4.mp3")}});
    host.HandOver();
    EXPECT_EQ(agent.Uploaded().back(), "C:\\4.mp3");
    EXPECT_EQ(host.boxes.size(), 1u);

    // Leaving before the drop is done: what was refused so far is named then, and only then.
    agent.Fail(DispUpload, RPC_E_SERVERFAULT);
    host.handOver.Append({{}, {Dropped("C:\\5.mp3"), Dropped("C:\\6.mp3")}});
    const int before = agent.Count(DispUpload);
    host.handOver.RunSlice(host.receiver, [&] { return agent.Count(DispUpload) == before; });
    host.handOver.ReportRefusedSoFar(host.receiver);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, "1 file could not be handed to UploadAgent:\nC:\\5.mp3");
    agent.Answer(DispUpload, FakeAnswer{});
    host.HandOver();
    EXPECT_EQ(agent.Uploaded().back(), "C:\\6.mp3");
    EXPECT_EQ(host.boxes.size(), 2u);
}

TEST_F(AgentTest, LockerRequestedTwiceSignedOutOpensOnceInItsFirstPlaceAfterTheSignIn) {
    AgentClient& client = Connected();
    host.signInDialog = SignInAndConfirm(host, "me@example.com", "pw");
    host.receiver.AddFile(Dropped("C:\\before.mp3"));
    EXPECT_EQ(client.OpenLocker(), 1);
    EXPECT_EQ(host.deferred.lockerPending, 1);
    host.receiver.AddFile(Dropped("C:\\between.mp3"));
    EXPECT_EQ(client.OpenLocker(), 1);  // asked again: the first request keeps its place
    host.receiver.AddFile(Dropped("C:\\after.mp3"));
    EXPECT_EQ(agent.Count(DispOpenLocker), 0);
    agent.AnswerShort(DispIsSignedIn, 1);
    agent.Fire(2, 19);
    host.HandOver();
    // The request takes its turn after what was held before it, once.
    std::vector<std::string> order;
    for (const FakeCall& call : agent.calls)
        if (call.id == DispUpload || call.id == DispOpenLocker) order.push_back(call.id == DispUpload ? call.args[0].text : "Locker");
    EXPECT_EQ(order, (std::vector<std::string>{"C:\\before.mp3", "Locker", "C:\\between.mp3", "C:\\after.mp3"}));
    EXPECT_EQ(host.deferred.lockerPending, 0);
    EXPECT_EQ(client.OpenLocker(), S_OK);
    EXPECT_EQ(agent.Count(DispOpenLocker), 2);
}

TEST_F(AgentTest, ReplayWhileStillSignedOutEndsAndKeepsItemsForTheNextSignIn) {
    Connected();
    host.deferred.RecordRequest(L"me@example.com", L"pw", 1);
    host.deferred.AddPendingFile(Dropped("C:\\a.mp3"));
    host.deferred.AddPendingFile(Dropped("C:\\b.mp3"));
    agent.Fire(2, 19);  // the agent still says signed out
    host.HandOver();
    EXPECT_EQ(agent.Count(DispUpload), 0);
    EXPECT_EQ(Texts(host.deferred.pendingFiles), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));
    agent.AnswerShort(DispIsSignedIn, 1);
    agent.Fire(2, 19);
    host.HandOver();
    EXPECT_EQ(agent.Uploaded(), (std::vector<std::string>{"C:\\a.mp3", "C:\\b.mp3"}));
    EXPECT_TRUE(host.deferred.pendingFiles.empty());
}

TEST_F(AgentTest, ASignInSuccessNobodyAskedForKeepsTheStoredCredentials) {
    host.settings.userName = L"stored@example.com";
    host.settings.password = L"stored";
    host.settings.autoLogin = 1;
    agent.AnswerShort(DispGetStatus, 19);  // already signed in when the program connects
    ASSERT_NE(host.GetAgentClient(), nullptr);
    agent.Fire(2, 19);
    EXPECT_EQ(CredentialsOf(host.settings), "stored@example.com/stored/1");
}

TEST_F(AgentTest, ASuccessReportedDuringTheDialogsSignInStoresThatSignIn) {
    Connected();
    host.deferred.RecordRequest(L"old@example.com", L"old", 1);
    agent.Answer(DispSignIn, {S_OK, VT_I4, 1, L"", false, [this] {
                                  agent.AnswerShort(DispIsSignedIn, 1);
                                  agent.Fire(2, 19);
                              }});
    host.signInDialog = SignInAndConfirm(host, "new@example.com", "new", 0);
    host.receiver.ShowSignInDialog();
    EXPECT_EQ(CredentialsOf(host.settings), "new@example.com/new/0");
}

TEST_F(AgentTest, BadPasswordReopensTheDialogAndItemsStillWait) {
    Connected();
    host.deferred.AddPendingFile(Dropped("C:\\a.mp3"));
    int runs = 0;
    host.signInDialog = [&] {
        ++runs;
        return IDOK;
    };
    agent.Fire(2, 108);
    EXPECT_EQ(runs, 1);
    agent.Fire(2, 104);
    EXPECT_EQ(runs, 1);  // 104 only tells
    EXPECT_EQ(host.deferred.pendingFiles.size(), 1u);
}

// ---- size check

class SizeCheckTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        // A name no code page holds whole: it must reach the check, and the box, as it is.
        path = Utf8(Wide(TempFolder())) + "parcelo size Дмитрий 日本 " + std::to_string(GetCurrentProcessId()) + ".mp3";
    }
    void TearDown() override {
        DeleteFileW(FromUtf8(path).c_str());
        AgentTest::TearDown();
    }
    void MakeFile(long long size) {
        const UniqueHandle file(CreateFileW(FromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.Valid());
        LARGE_INTEGER end;
        end.QuadPart = size;
        DWORD ignored = 0;
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);  // where supported
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    std::string path;
};

// One byte under 25 MiB goes; 25 MiB, or 4 GiB and 1 KiB (not mistaken for 1 KiB), or a big file
// another holds open, gets an unowned box naming the file, and nothing reaches the agent.
TEST_F(SizeCheckTest, TheLimitIs25MiBWithTheFileNamedInAnUnownedBox) {
    AgentClient& client = Connected();
    MakeFile(26214399);
    EXPECT_EQ(client.Upload(Dropped(path.c_str()), 1), UploadResult::Taken);
    EXPECT_EQ(agent.Count(DispUpload), 1);
    EXPECT_TRUE(host.boxes.empty());

    MakeFile(26214400);
    EXPECT_EQ(client.Upload(Dropped(path.c_str()), 1), UploadResult::TooBig);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owner, nullptr);
    EXPECT_EQ(host.boxes[0].caption, "Parcelo");
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(host.boxes[0].text, "File '" + path + "' is too big to upload or wrong file name.");

    MakeFile(4294967296LL + 1024);
    EXPECT_EQ(client.Upload(Dropped(path.c_str()), 1), UploadResult::TooBig);

    // Held open by another: still checked.
    MakeFile(30000000);
    UniqueHandle other(
        CreateFileW(FromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other.Valid());
    EXPECT_EQ(client.Upload(Dropped(path.c_str()), 1), UploadResult::TooBig);
    other.Reset();
    EXPECT_EQ(agent.Count(DispUpload), 1);
}

// Read elsewhere, and checked all the same: the limit holds on the test prefix's network and
// removable drives.
TEST_F(SizeCheckTest, TheLimitHoldsOnANetworkAndARemovableDrive) {
    AgentClient& client = Connected();
    const std::string name = path.substr(TempFolder().size());
    const std::pair<const wchar_t*, UINT> drives[] = {{NETWORK_DRIVE, DRIVE_REMOTE}, {REMOVABLE_DRIVE, DRIVE_REMOVABLE}};
    for (const auto& drive : drives) {
        ASSERT_EQ(GetDriveTypeW(drive.first), drive.second) << "the test prefix lacks the drive";
        path = Utf8(drive.first) + name;
        auto upload = [&] {
            UploadResult result;
            const ULONGLONG end = GetTickCount64() + WAIT_MS;
            while ((result = client.Upload(Dropped(path.c_str()), 1)) == UploadResult::SizePending &&
                   GetTickCount64() < end)
                Sleep(1);
            return result;
        };
        MakeFile(26214400);
        EXPECT_EQ(upload(), UploadResult::TooBig);
        MakeFile(26214399);
        EXPECT_EQ(upload(), UploadResult::Taken);
        DeleteFileW(FromUtf8(path).c_str());
    }
    EXPECT_EQ(agent.Count(DispUpload), 2);
    EXPECT_EQ(host.boxes.size(), 2u);
}

TEST_F(SizeCheckTest, WhatIsNoFileGoesToTheAgent) {
    AgentClient& client = Connected();
    const std::string dir = TempFolder();
    for (const char* item : {"http://host.invalid/x.mp3", "C:\\no\\such\\file.mp3", dir.c_str(), ""})
        client.Upload(Dropped(item), 1);
    EXPECT_EQ(agent.Count(DispUpload), 4);
    EXPECT_TRUE(host.boxes.empty());
}

// ---- the weekly upgrade reminder

class ReminderTest : public AgentTest {
protected:
    AgentClient& SignedInWithUpgrade() {
        AgentClient& client = Connected(true);
        agent.Answer(DispIsUpgradeAvailable, {S_OK, VT_I4, 1, L"", false, nullptr});
        return client;
    }
    std::size_t Prompts() const {
        std::size_t n = 0;
        for (const RecordedBox& box : host.boxes) n += box.type == MB_YESNO;
        return n;
    }
};

TEST_F(ReminderTest, DueReminderAsksAndYesUpgrades) {
    AgentClient& client = SignedInWithUpgrade();
    host.boxAnswers = {IDYES};
    client.SignIn(L"a@b.c", L"p");
    ASSERT_EQ(Prompts(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "A new version of Parcelo is availible for free download. Would you like to upgrade?");
    EXPECT_EQ(host.boxes[0].caption, "Parcelo");
    EXPECT_EQ(host.boxes[0].owner, host.window);
    EXPECT_EQ(agent.Count(DispUpgrade), 1);
    EXPECT_EQ(host.settings.remindTime, host.now);
}

TEST_F(ReminderTest, TwoSignInsInADayPromptOnceEvenAfterNo) {
    AgentClient& client = SignedInWithUpgrade();
    host.boxAnswers = {IDNO};
    client.SignIn(L"a@b.c", L"p");
    host.now += 3600;
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(Prompts(), 1u);
    EXPECT_EQ(agent.Count(DispUpgrade), 0);
    EXPECT_EQ(host.settings.remindTime, host.now - 3600);
}

// Due only more than seven days after the stored time: at the end of the range it never wraps
// around, and with the clock set back it waits for the stored time's week.
TEST_F(ReminderTest, NotDueUntilMoreThanSevenDaysAfterTheStoredTimeWhereverTheClockStands) {
    AgentClient& client = SignedInWithUpgrade();
    host.settings.remindTime = 0x7FFFFFFF;
    client.SignIn(L"a@b.c", L"p");
    const int32_t stored = host.now + 30 * 86400;
    host.settings.remindTime = stored;
    client.SignIn(L"a@b.c", L"p");
    host.now = stored + 604800;
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(agent.Count(DispIsUpgradeAvailable), 0);
    host.now += 1;
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(Prompts(), 1u);
}

TEST_F(ReminderTest, OnlyAnAcceptedSignInWithTheUserSignedInReminds) {
    AgentClient& client = SignedInWithUpgrade();
    agent.Answer(DispSignIn, {S_OK, VT_I4, 0, L"", false, nullptr});
    client.SignIn(L"a@b.c", L"p");
    agent.Answer(DispSignIn, {S_OK, VT_I4, 1, L"", false, nullptr});
    agent.Fail(DispIsSignedIn, E_FAIL);
    client.SignIn(L"a@b.c", L"p");
    agent.AnswerShort(DispIsSignedIn, 0);
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(Prompts(), 0u);
    EXPECT_EQ(host.settings.remindTime, 0);
}

TEST_F(ReminderTest, NoUpgradeOrAFailedQueryMeansNoPromptButTheTimeIsSet) {
    AgentClient& client = SignedInWithUpgrade();
    agent.Answer(DispIsUpgradeAvailable, {S_OK, VT_I4, 2, L"", false, nullptr});
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(host.settings.remindTime, host.now);
    host.now += 604801;
    agent.Fail(DispIsUpgradeAvailable, E_FAIL);
    client.SignIn(L"a@b.c", L"p");
    EXPECT_EQ(Prompts(), 0u);
    EXPECT_EQ(host.settings.remindTime, host.now);
}

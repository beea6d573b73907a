// End to end: the real parcelo.exe and the real stand-in agent out of process, a real drag
// from this process onto the program's window, the real Sign In dialog, the file in the
// account's Locker folder, and the settings the program leaves in the registry.
#include "tests/e2e/LockerFixture.h"

using namespace agentproto;

TEST_F(DropToLockerTest, ADropWhileSignedOutReleasesItsSourceAtOnceAndItsFilesFollowTheSignInInOrder) {
    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    const std::vector<std::wstring> first = Sources({L"b.mp3", L"a.mp3"});

    StartDrop(window, {source_, first[0], first[1]});
    HWND dialog = program.Dialog("Sign In");
    ASSERT_NE(dialog, nullptr) << "no Sign In dialog for a drop while signed out";
    EXPECT_TRUE(PumpUntil([&] { return Finished(*drag_); })) << "the source waited for the Sign In dialog";
    ConfirmSignIn(dialog, "e2e pass");
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag_); }));
    EXPECT_EQ(drag_->Finish().effect, static_cast<DWORD>(DROPEFFECT_COPY));

    ASSERT_TRUE(InLockerSoon(L"song.mp3"));
    EXPECT_EQ(Contents(InLocker(L"song.mp3")), Contents(source_));
    // Each call the agent answers slowly now: two drops made one after the other while the
    // first is still going over keep their order.
    script.Set("1.delay", 2000);
    const std::vector<std::wstring> second = Sources({L"c.mp3", L"d.mp3"});
    ASSERT_TRUE(Dropped(window, second));
    ASSERT_TRUE(Dropped(window, {first[1]}));
    EXPECT_LT(UploadedItems(script.Log()).size(), 5u) << "the last drop waited for the hand-over before it";
    script.Remove("1.delay");
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 6; }));
    EXPECT_EQ(script.CallOrder({DispUpload, DispSignIn, DispSignOut}),
              (std::vector<long>{DispSignOut, DispSignIn, DispUpload, DispUpload, DispUpload, DispUpload, DispUpload,
                                 DispUpload}));
    EXPECT_EQ(UploadedItems(script.Log()), (std::vector<std::string>{Utf8(source_), Utf8(first[0]), Utf8(first[1]),
                                                                     Utf8(second[0]), Utf8(second[1]), Utf8(first[1])}));
    for (const wchar_t* name : {L"a.mp3", L"b.mp3", L"c.mp3", L"d.mp3"}) EXPECT_TRUE(InLockerSoon(name)) << Utf8(name);

    EXPECT_EQ(program.Exit(), 0u);
    // Stored only because the agent reported the sign-in done.
    EXPECT_EQ(StoredText("User", "User name"), account_);
    EXPECT_EQ(StoredText("User", "Password"), "e2e pass");
    EXPECT_EQ(StoredNumber("User", "Auto Login"), 0u);
}

TEST_F(DropToLockerTest, WithAStoredAutomaticSignInEveryNameReachesTheLockerExactly) {
    StoreAutomaticSignIn(account_, "auto pass");
    // Names the system code page cannot hold, in a folder whose name it cannot hold either.
    CreateDirectoryW((Wide(folder_) + L"\\\x041c\x0443\x0437\x044b\x043a\x0430").c_str(), nullptr);
    const std::vector<std::wstring> names = {L"\x041f\x0440\x0438\x0432\x0435\x0442.mp3",
                                             L"\x6771\x4eac\x306e\x591c.mp3", L"\xd83c\xdfb5 \xd83d\xde00.mp3"};
    std::vector<std::wstring> inFolder;
    for (const std::wstring& name : names) inFolder.push_back(L"\x041c\x0443\x0437\x044b\x043a\x0430\\" + name);
    const std::vector<std::wstring> sources = Sources(inFolder);

    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispSignIn).size() == 1; }));
    EXPECT_NE(script.LoggedCalls(DispSignIn)[0].find(account_ + "\t8:auto pass"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[0];

    ASSERT_TRUE(Dropped(window, {source_, sources[0], sources[1], sources[2]})) << "the drop waited for something";
    EXPECT_EQ(drag_->Finish().effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(InLockerSoon(L"song.mp3"));
    EXPECT_EQ(Contents(InLocker(L"song.mp3")), Contents(source_));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(InLockerSoon(names[i])) << Utf8(names[i]);
        EXPECT_EQ(Contents(InLocker(names[i])), Contents(sources[i])) << Utf8(names[i]);
    }
    EXPECT_EQ(UploadedItems(script.Log()),
              (std::vector<std::string>{Utf8(source_), Utf8(sources[0]), Utf8(sources[1]), Utf8(sources[2])}));
    EXPECT_TRUE(script.LoggedCalls(DispSignOut).empty());

    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(StoredNumber("User", "Auto Login"), 1u);
}

TEST_F(DropToLockerTest, AnAgentThatDiesDuringAHandOverLosesNoItemAndExitEndsOneAtOnce) {
    ScriptSignedInAndTaking();  // and keeps none
    script.Set("1.delay", 300);
    std::vector<std::string> expected;
    const std::vector<std::wstring> tracks = Tracks(6, &expected);

    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Dropped(window, tracks));
    // The third upload has reached the agent and waits for its answer when the agent goes.
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 3; }));
    ASSERT_TRUE(AgentScript::KillServer());
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 7; }));
    const std::vector<std::string> log = script.Log();
    std::vector<size_t> versions;  // where each connection begins
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].compare(0, 10, "dispid=13\t") == 0) versions.push_back(i);
    ASSERT_EQ(versions.size(), 2u);
    const std::vector<std::string> before = UploadedItems({log.begin(), log.begin() + static_cast<long>(versions[1])});
    const std::vector<std::string> after = UploadedItems({log.begin() + static_cast<long>(versions[1]), log.end()});
    EXPECT_EQ(before, std::vector<std::string>(expected.begin(), expected.begin() + 3));
    EXPECT_EQ(after, std::vector<std::string>(expected.begin() + 2, expected.end()));

    // Exit in the middle of a long hand-over ends the program; what had not gone is dropped.
    std::vector<std::wstring> many;
    for (int i = 0; i < 30; ++i) many.push_back(tracks[static_cast<size_t>(i % 6)]);
    ASSERT_TRUE(Dropped(window, many));
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() >= 9; }));
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_LT(UploadedItems(script.Log()).size(), 37u);
}

// Held items that the sign-in report sends on go a slice at a time, outside the report:
// Exit in the middle of a replay of thousands ends the program at once.
TEST_F(DropToLockerTest, ExitDuringTheReplayOfFiveThousandHeldItemsEndsTheProgramAtOnce) {
    script.Set("2.vt", VT_I4);  // the sign-in is taken, but the agent keeps saying signed out
    script.Set("2.value", 1);
    script.Set("12.vt", VT_I4);
    script.Set("12.value", 0);
    script.Set("1.hr", S_OK);
    std::vector<std::wstring> many;
    for (int i = 0; i < 5000; ++i) many.push_back(Wide(folder_) + L"\\held" + std::to_wstring(i) + L".mp3");

    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    StartDrop(window, many);
    HWND dialog = program.Dialog("Sign In");
    ASSERT_NE(dialog, nullptr);
    ConfirmSignIn(dialog, "e2e pass");
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag_); }));
    // Every item asked about once, and held.
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispIsSignedIn).size() >= 5002; }, 60000));

    script.Set("12.value", 1);
    script.Set("1.delay", 50);
    ASSERT_TRUE(AgentScript::Fire(EventStatus, 19));
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() >= 3; }));
    EXPECT_EQ(program.Exit(1000), 0u);
    EXPECT_LT(UploadedItems(script.Log()).size(), 100u);
}

// The agent failed inside Upload, so it queued nothing and will report nothing: one box names
// every such file of the drop, and the agent takes the next drop.
TEST_F(DropToLockerTest, FilesTheAgentFailedToTakeAreNamedInOneBoxAndTheNextDropGoesThrough) {
    ScriptSignedInAndTaking();
    script.Set("1.hr", static_cast<DWORD>(RPC_E_SERVERFAULT));
    const std::vector<std::wstring> tracks = Sources({L"one.mp3", L"two.mp3", L"three.mp3"});
    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Dropped(window, tracks));
    HWND box = program.Dialog("Parcelo");
    ASSERT_NE(box, nullptr);
    std::string expected = "3 files could not be handed to UploadAgent:";
    for (const std::wstring& track : tracks) expected += "\n" + Utf8(track);
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), expected);
    EXPECT_EQ(UploadedItems(script.Log()).size(), 3u);
    PostClick(box, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(program.Dialog("Parcelo", 1000), nullptr) << "more than one box";

    script.Set("1.hr", S_OK);
    ASSERT_TRUE(Dropped(window, {source_}));
    EXPECT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 4; }));
    EXPECT_EQ(UploadedItems(script.Log()).back(), Utf8(source_));
    EXPECT_EQ(program.Exit(), 0u);
}

// The agent ends on its own a few milliseconds into a hand-over, while its process is still
// going away when the program asks for a new one: after an upload, after a question, late in
// the drop. Every item reaches the next agent, in order, and nobody is told anything.
TEST_F(DropToLockerTest, AnAgentEndingOnItsOwnDuringAHandOverLosesNoItemAndBringsNoBox) {
    ScriptSignedInAndTaking();
    std::vector<std::string> expected;
    const std::vector<std::wstring> tracks = Tracks(7, &expected);

    ParceloProcess program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    const struct {
        long dispid;
        LONG after;  // calls of that id in this drop
    } points[] = {{DispUpload, 1}, {DispIsSignedIn, 3}, {DispUpload, 6}};
    for (const auto& point : points) {
        SCOPED_TRACE(std::to_string(point.dispid) + " after " + std::to_string(point.after));
        const DWORD agent = AgentScript::AgentPid();
        const size_t before = UploadedItems(script.Log()).size();
        script.Set(std::to_string(point.dispid) + ".exitafter",
                   static_cast<DWORD>(AgentScript::CallCount(point.dispid) + point.after));
        ASSERT_TRUE(Dropped(window, tracks));
        HWND told = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() >= before + expected.size(); }, 15000))
            << "items lost; "
            << ((told = program.FindShown("#32770")) ? TextOf(GetDlgItem(told, 0xFFFF)) : std::string("no box"));
        const std::vector<std::string> all = UploadedItems(script.Log());
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()), expected);
        EXPECT_TRUE(WaitForProcessEnd(agent, 0)) << "the agent did not end";
        EXPECT_EQ(program.FindShown("#32770"), nullptr) << "the user was told something";
    }
    EXPECT_EQ(program.Exit(), 0u);
}

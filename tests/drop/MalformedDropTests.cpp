// The drop target called directly, for data no well-behaved program sends: file lists
// that lie about their size, text without its NUL, formats offered but not delivered.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentProtocol.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/AnswerProbe.h"
#include "tests/support/Items.h"
#include "tests/support/Owned.h"
#include "tests/support/ProgramProcess.h"
#include "tests/fakes/MainWindowFixture.h"
#include "win/ComPtr.h"

using namespace agentproto;
using Items = std::vector<std::string>;

namespace {

class DirectDropTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        g_state.signInAnswer = IDOK;
        Open();
    }
    struct Result {
        HRESULT hr;
        DWORD enterEffect;
        DWORD dropEffect;
    };
    Result DropOn(std::vector<OfferedFormat> formats, DWORD allowed = DROPEFFECT_COPY) {
        ComPtr<IDataObject> data(NewDataObject(std::move(formats)));
        Result result = {E_PENDING, allowed, allowed};
        const POINTL point = {5, 5};
        window->DragEnter(data.Get(), MK_LBUTTON, point, &result.enterEffect);
        result.hr = window->Drop(data.Get(), MK_LBUTTON, point, &result.dropEffect);
        return result;
    }
};


void SetOffset(std::vector<unsigned char>& block, DWORD offset) { memcpy(block.data(), &offset, sizeof offset); }

}  // namespace

TEST_F(DirectDropTest, AMalformedFileListHandsNothingOver) {
    struct Case {
        const char* name;
        std::vector<unsigned char> block;
    };
    std::vector<Case> cases;
    auto good = DropFilesBlock(std::vector<std::wstring>{L"C:\\a.mp3", L"C:\\b.mp3"});
    auto at = [&](DWORD offset) {
        auto block = good;
        SetOffset(block, offset);
        return block;
    };
    cases.push_back({"list at 0", at(0)});
    cases.push_back({"list at 19, inside the header", at(19)});
    cases.push_back({"list at the block's end", at(static_cast<DWORD>(good.size()))});
    cases.push_back({"list far beyond the block", at(0x7FFFFFF0)});
    auto unterminated = DropFilesBlock(std::vector<std::string>{"C:\\a.mp3", "C:\\abc.mp3"}, false);
    unterminated.resize(unterminated.size() - 4);  // "C:\abc.m" would name another file
    cases.push_back({"narrow list cut inside a name", unterminated});
    auto noClosingEntry = DropFilesBlock(std::vector<std::string>{"C:\\a.mp3"}, false);
    noClosingEntry.pop_back();
    cases.push_back({"narrow list without its empty entry", noClosingEntry});
    auto wideCut = good;
    wideCut.resize(wideCut.size() - 3);  // the last name's NUL is half a character
    cases.push_back({"odd wide length", wideCut});
    auto wideNoClose = good;
    wideNoClose.resize(wideNoClose.size() - 1);
    cases.push_back({"wide list whose closing entry is half there", wideNoClose});
    cases.push_back({"header only", std::vector<unsigned char>(good.begin(), good.begin() + 20)});
    cases.push_back({"shorter than the header", std::vector<unsigned char>(good.begin(), good.begin() + 19)});
    cases.push_back({"empty block", {}});

    for (const Case& c : cases) {
        const Result result = DropOn({{CF_HDROP, c.block, true}});
        EXPECT_EQ(result.hr, S_OK) << c.name;
        EXPECT_EQ(result.dropEffect, static_cast<DWORD>(DROPEFFECT_COPY)) << c.name;
        EXPECT_TRUE(Handed().empty()) << c.name;
        EXPECT_EQ(g_state.signInRuns, 0) << c.name;
    }
}

TEST_F(DirectDropTest, AWellFormedListIsTakenWhereverItStartsAndWhateverFollowsIt) {
    auto spaced = DropFilesBlock(std::vector<std::string>{"C:\\x.mp3"}, false, 64);  // past a larger header
    EXPECT_EQ(DropOn({{CF_HDROP, spaced, true}}).hr, S_OK);
    auto padded = DropFilesBlock({L"C:\\y.mp3"});
    padded.push_back(0x41);  // an odd byte after the list's end
    padded.push_back(0x41);
    padded.push_back(0x41);
    EXPECT_EQ(DropOn({{CF_HDROP, padded, true}}).hr, S_OK);
    auto closedEarly = DropFilesBlock({L"C:\\z.mp3"});
    const std::vector<unsigned char> after = {'C', 0, ':', 0, '\\', 0, 'q', 0, 0, 0, 0, 0};
    closedEarly.insert(closedEarly.end(), after.begin(), after.end());  // past the empty entry: not the list
    EXPECT_EQ(DropOn({{CF_HDROP, closedEarly, true}}).hr, S_OK);
    EXPECT_EQ(Handed(), (Items{"C:\\x.mp3", "C:\\y.mp3", "C:\\z.mp3"}));
}

TEST_F(DirectDropTest, TextWithoutANulIsReadToTheEndOfItsBlockOnly) {
    const std::vector<unsigned char> bytes = {'n', 'o', ' ', 'n', 'u', 'l', '!'};
    const Result result = DropOn({{CF_TEXT, bytes, true}});
    EXPECT_EQ(result.hr, S_OK);
    EXPECT_EQ(Handed(), Items{"no nul!"});
    const std::vector<unsigned char> early = {'a', 'b', 0, 'c', 'd'};
    DropOn({{CF_TEXT, early, true}});
    const std::vector<unsigned char> none;
    DropOn({{CF_TEXT, none, true}});
    EXPECT_EQ(Handed(), (Items{"no nul!", "ab", ""}));
}

TEST_F(DirectDropTest, AFormatThatCannotBeFetchedPassesToTheNextRow) {
    const Result text = DropOn({{CF_HDROP, DropFilesBlock({L"C:\\a.mp3"}), false}, Text("fallback")});
    EXPECT_EQ(text.hr, S_OK);
    EXPECT_EQ(text.enterEffect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(text.dropEffect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Handed(), Items{"fallback"});

    const Result nothing = DropOn({{CF_HDROP, DropFilesBlock({L"C:\\a.mp3"}), false}, {CF_TEXT, {'x', 0}, false},
                                   {CF_UNICODETEXT, {'x', 0, 0, 0}, false}});
    EXPECT_EQ(nothing.hr, E_FAIL);
    EXPECT_EQ(nothing.dropEffect, static_cast<DWORD>(DROPEFFECT_NONE));

    const Result empty = DropOn({});
    EXPECT_EQ(empty.hr, E_FAIL);
    EXPECT_EQ(empty.enterEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(empty.dropEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Handed(), Items{"fallback"});
}

TEST_F(DirectDropTest, TheEffectDependsOnTheDataAloneAndEndsWithTheDrag) {
    const CLIPFORMAT descriptor = DescriptorFormat();
    struct Case {
        std::vector<OfferedFormat> formats;
        DWORD allowed;
        DWORD expected;
    } cases[] = {
        {{Text("t")}, DROPEFFECT_MOVE, DROPEFFECT_COPY},
        {{Files({L"C:\\a"})}, DROPEFFECT_LINK, DROPEFFECT_COPY},
        {{{descriptor, {0}, true}}, DROPEFFECT_COPY, DROPEFFECT_LINK},
        {{Text("t"), {descriptor, {0}, true}}, DROPEFFECT_NONE, DROPEFFECT_LINK},
        {{{CF_UNICODETEXT, {'a', 0, 0, 0}, true}}, DROPEFFECT_LINK, DROPEFFECT_COPY},
    };
    const POINTL point = {0, 0};
    for (const Case& c : cases) {
        ComPtr<IDataObject> data(NewDataObject(c.formats));
        DWORD effect = c.allowed;
        EXPECT_EQ(window->DragEnter(data.Get(), MK_CONTROL | MK_SHIFT, point, &effect), S_OK);
        EXPECT_EQ(effect, c.expected);
        for (DWORD asked : {0ul, 7ul, 0x80000000ul}) {
            effect = asked;
            EXPECT_EQ(window->DragOver(MK_ALT, point, &effect), S_OK);
            EXPECT_EQ(effect, c.expected);
        }
        EXPECT_EQ(window->DragLeave(), S_OK);
        effect = DROPEFFECT_COPY;
        window->DragOver(0, point, &effect);
        EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));  // left: nothing is offered any more
    }
}

TEST_F(DirectDropTest, TheDropAnswersInFrontAndHandsOverOnlyOnceItHasReturned) {
    const OwnedWindow other(CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr,
                                            nullptr, nullptr, nullptr));
    ShowWindow(handle, SW_SHOW);
    SetForegroundWindow(other.Get());
    ASSERT_EQ(GetForegroundWindow(), other.Get());
    fakeAgent.calls.clear();
    EXPECT_EQ(DropOn({Text("x")}).hr, S_OK);
    EXPECT_EQ(GetForegroundWindow(), handle);
    EXPECT_TRUE(fakeAgent.calls.empty());  // not one call to the agent while the source waits
    EXPECT_EQ(g_state.signInRuns, 0);
    EXPECT_EQ(Handed(), Items{"x"});
    EXPECT_EQ(g_state.signInRuns, 1);
}

TEST_F(DirectDropTest, WithoutAnAgentTheItemsWaitAndTheUserIsToldOnce) {
    g_state.agent = nullptr;  // gone since the start
    AgentSessionParts(window->Session()).link.Destroy();
    const Result result = DropOn({Files({L"C:\\a.mp3", L"C:\\b.mp3"})});
    EXPECT_EQ(result.hr, S_OK);
    EXPECT_EQ(Handed(), (Items{"C:\\a.mp3", "C:\\b.mp3"}));  // for an agent that answers
    EXPECT_EQ(g_state.signInRuns, 0);
    ASSERT_EQ(g_state.boxes.size(), 1u);
    EXPECT_NE(g_state.boxes[0].text.find("failure code '2'"), std::string::npos);
}

// The agent reports the sign-in done while it is being connected, and a message loop runs
// there (as a box shown by the connection would run one): what was held waits until the
// client has passed its version check, has its events and is configured.
TEST_F(DirectDropTest, HeldItemsReportedDoneDuringTheConnectionWaitForItToBeReady) {
    AgentSessionParts(window->Session()).link.Destroy();  // the next use connects afresh
    fakeAgent.calls.clear();
    AgentSessionParts(window->Session()).deferred.pendingFiles = {Dropped("C:\\held.mp3")};
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    fakeAgent.Answer(DispGetStatus, {S_OK, VT_I2, 11, L"", false, [this] {
                                         fakeAgent.Fire(EventStatus, 19);
                                         RunLoopUntil([] { return false; }, 300);
                                     }});
    ASSERT_NE(window->Session().Client(), nullptr);
    EXPECT_EQ(fakeAgent.Count(DispUpload), 0);
    EXPECT_TRUE(Handed().empty());
    std::vector<DISPID> order;
    for (const FakeCall& call : fakeAgent.calls)
        if (call.id == DispConfigure || call.id == DispUpload) order.push_back(call.id);
    EXPECT_EQ(order, (std::vector<DISPID>{DispConfigure, DispUpload}));
}

// Files whose look-ups never answer (tests/support/unanswered_share.py): on a share whose server
// has gone, and through a removable and a CD drive, which the window must not read either. On
// each, the first is given up after 2 s, and the drive's other files go unchecked at once, in
// order, with no thread of their own; the window answers throughout.
TEST_F(DirectDropTest, FilesOnADriveThatDoesNotAnswerNeitherHoldTheWindowNorPileUpThreads) {
    const std::pair<const wchar_t*, UINT> drives[] = {
        {UNANSWERED_DRIVE, DRIVE_REMOTE}, {UNANSWERED_REMOVABLE_DRIVE, DRIVE_REMOVABLE}, {UNANSWERED_CD_DRIVE, DRIVE_CDROM}};
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    for (const auto& [drive, type] : drives) {
        SCOPED_TRACE(Utf8(drive));
        ASSERT_EQ(GetDriveTypeW(drive), type) << "the test prefix lacks the drive";
        fakeAgent.calls.clear();
        std::vector<std::wstring> paths;
        Items expected;
        for (int i = 0; i < 200; ++i) {
            paths.push_back(drive + std::wstring(L"track") + std::to_wstring(i) + L".mp3");
            expected.push_back(Narrow(paths.back()));
        }
        AnswerProbe probe(handle, 20);
        // Counted on a thread of its own (counted too), so that counting never keeps the window busy.
        std::atomic<bool> counting{true};
        std::atomic<size_t> threadsMost{0};
        std::thread counter([&] {
            for (; counting; Sleep(5)) threadsMost = std::max(threadsMost.load(), ThreadsOf(GetCurrentProcessId()));
        });
        while (threadsMost == 0) Sleep(1);
        const size_t threadsBefore = ThreadsOf(GetCurrentProcessId());
        const ULONGLONG dropped = GetTickCount64();
        EXPECT_EQ(DropOn({Files(paths)}).hr, S_OK);
        // Liveness only: 2 s for each file would take minutes.
        EXPECT_TRUE(RunLoopUntil([&] { return fakeAgent.Count(DispUpload) == 200; }, 60000));
        const ULONGLONG handed = GetTickCount64() - dropped;
        probe.Stop();
        counting = false;
        counter.join();
        EXPECT_GE(handed, 1900u) << "the drive answered: is the share mounted?";
        EXPECT_LT(probe.Longest(), 100.0);
        EXPECT_LE(threadsMost - threadsBefore, 4u);
        EXPECT_EQ(fakeAgent.Uploaded(), expected);
    }
}

// The agent side's decisions that need no window: version gate, the status messages' texts, the
// sink's checks, the reminder's clock arithmetic and what the size check may open.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "agent/HungCall.h"
#include "agent/NotificationCheck.h"
#include "agent/ServerPath.h"
#include "agent/SizeCheckPath.h"
#include "agent/StatusTable.h"
#include "agent/UpgradeReminder.h"
#include "agent/VersionGate.h"

// A missing text (null or empty) is never accepted.
TEST(VersionGate, ComparesTheFirstFiveCharactersAsText) {
    for (const wchar_t* good :
         {L"1.6.0", L"1.6.000", L"1.6.1", L"1.7", L"2.0", L"1.6.0 beta", L"9", L"\xff", L"1.6.\u0431"})
        EXPECT_TRUE(IsCompatibleVersion(good));
    for (const wchar_t* bad : {L"1.5.99", L"1.5.9", L"1.6", L"1.10.0", L"1.6.", L"0.9", L"1", L" 1.6.0", L"1,6,0", L""})
        EXPECT_FALSE(IsCompatibleVersion(bad));
    EXPECT_FALSE(IsCompatibleVersion(nullptr));
}

TEST(StatusTable, OutsideTextIsInsertedNotInterpreted) {
    EXPECT_EQ(FormatTooBig(L"C:\\100% %s%n.mp3"), L"File 'C:\\100% %s%n.mp3' is too big to upload or wrong file name.");
    EXPECT_EQ(FormatUploadFailed(nullptr),
              L"Sorry, but an error occurred when we tried to upload  to your Locker. Please try again");
    EXPECT_EQ(FormatUploadFailed(L"\u65e5\u672c.mp3"), L"Sorry, but an error occurred when we tried to upload "
                                                      L"\u65e5\u672c.mp3 to your Locker. Please try again");
    EXPECT_EQ(FormatConnectFailure(2),
              L"Failed to connect to Sonavo Server with failure code '2'. Reinstall Parcelo or download newer version.");
}

TEST(NotificationCheck, ChecksComeInTheirOrder) {
    EXPECT_EQ(CheckNotification(false, 99, 5, 3), NotificationVerdict::NoParameters);
    EXPECT_EQ(CheckNotification(true, 3, 5, 3), NotificationVerdict::UnknownMember);
    EXPECT_EQ(CheckNotification(true, 0, 1, 2), NotificationVerdict::UnknownMember);
    EXPECT_EQ(CheckNotification(true, 2, 2, 3), NotificationVerdict::BadCount);
    EXPECT_EQ(CheckNotification(true, 1, 0, 2), NotificationVerdict::BadCount);
    EXPECT_EQ(CheckNotification(true, 2, 1, 3), NotificationVerdict::BadType);
    EXPECT_EQ(CheckNotification(true, 1, 1, 2), NotificationVerdict::Progress);
    EXPECT_EQ(CheckNotification(true, 2, 1, 2), NotificationVerdict::Status);
}

TEST(UpgradeReminder, DueOnlyAfterMoreThanSevenDays) {
    EXPECT_TRUE(IsReminderDue(0, 1700000000));
    EXPECT_FALSE(IsReminderDue(1700000000, 1700000000 + 604800));
    EXPECT_TRUE(IsReminderDue(1700000000, 1700000000 + 604801));
    EXPECT_FALSE(IsReminderDue(1800000000, 1700000000));  // clock set back
    EXPECT_FALSE(IsReminderDue(INT32_MAX, 1700000000));   // no wrap-around
    EXPECT_TRUE(IsReminderDue(INT32_MIN, 0));
}

TEST(SizeCheckPath, OpensLocalFilesAndDraggedSharesButNoDeviceAndNoTypedShare) {
    struct Case {
        const char16_t* path;
        bool fromList, fromText;
    } cases[] = {
        {u"C:\\Music\\a.mp3", true, true},
        {u"z:/tmp/a b.mp3", true, true},
        {u"C:\\Music\\a.mp3:stream", true, true},
        {u"C:\\Music\\console.mp3", true, true},
        {u"C:\\Music\\COM10.mp3", true, true},
        {u"\\\\server\\share\\a.mp3", true, false},
        {u"//server/share/a.mp3", true, false},
        {u"\\\\server\\share", false, false},
        {u"\\\\server\\share\\", false, false},
        {u"\\\\server", false, false},
        {u"\\\\.\\pipe\\parcelo", false, false},
        {u"//./pipe/parcelo", false, false},
        {u"\\\\.\\C:\\Music.mp3", false, false},
        {u"\\\\?\\C:\\Music\\a.mp3", false, false},
        {u"\\\\?\\UNC\\server\\share\\a.mp3", false, false},
        {u"\\??\\C:\\a.mp3", false, false},
        {u"C:\\Music\\nul", false, false},
        {u"C:\\Music\\NUL.mp3", false, false},
        {u"C:\\Music\\con  .mp3", false, false},
        {u"C:\\Music\\aux:", false, false},
        {u"C:\\prn\\a.mp3", false, false},
        {u"C:\\Music\\com1.mp3", false, false},
        {u"C:\\Music\\Lpt9", false, false},
        {u"C:\\Music\\COM\u00b9.mp3", false, false},
        {u"C:\\CONOUT$", false, false},
        {u"\\\\server\\share\\con.mp3", false, false},
        {u"\\\\localhost\\pipe\\x", false, false},
        {u"\\\\host\\PIPE\\x", false, false},
        {u"//host/pipe. /x", false, false},
        {u"\\\\*\\mailslot\\x", false, false},
        {u"\\\\host\\MailSlot\\x\\y.mp3", false, false},
        {u"\\\\host\\pipes\\a.mp3", true, false},
        {u"C:music.mp3", false, false},
        {u"\\Music\\a.mp3", false, false},
        {u"a.mp3", false, false},
        {u"http://example.com/a.mp3", false, false},
        {u"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MayOpenForSizeCheck(c.path, true), c.fromList) << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
        EXPECT_EQ(MayOpenForSizeCheck(c.path, false), c.fromText) << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
    }
}

// Files of one drive or one server share a reader and are given up on together, in whatever
// case or with whichever slash they come.
TEST(SizeCheckPath, AFilesVolumeIsItsDriveOrItsServer) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"C:\\Music\\a.mp3", u"C:"},
        {u"n:/a.mp3", u"N:"},
        {u"\\\\nas\\music\\a.mp3", u"\\\\NAS"},
        {u"//Nas/other/b.mp3", u"\\\\NAS"},
        {u"\\\\n\u00e4s\\music\\a.mp3", u"\\\\N\u00e4S"},
        {u"\\\\nas\\share", u""},
        {u"\\\\.\\C:\\a.mp3", u""},
        {u"C:music.mp3", u""},
        {u"http://example.com/a.mp3", u""},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(SizeCheckVolume(c.first) == c.second)
            << std::string(c.first, c.first + std::char_traits<char16_t>::length(c.first));
}

TEST(HungCall, TheUserIsAskedAfterTenSecondsAndAgainThirtyAfterEachAnswer) {
    HungWatch watch;
    EXPECT_EQ(NextHungStep(watch, 9999, false, false), HungStep::Nothing);
    EXPECT_EQ(NextHungStep(watch, 10000, false, false), HungStep::Ask);
    EXPECT_EQ(NextHungStep(watch, 10000, false, true), HungStep::Nothing);  // never asked twice at once
    TakeHungChoice(watch, HungChoice::Wait, 12000);
    EXPECT_EQ(NextHungStep(watch, 41999, false, false), HungStep::Nothing);
    EXPECT_EQ(NextHungStep(watch, 42000, false, false), HungStep::Ask);
    // The end waits for the next look, which an answer that came meanwhile never reaches.
    TakeHungChoice(watch, HungChoice::EndAgent, 43000);
    EXPECT_EQ(NextHungStep(watch, 43000, false, false), HungStep::EndAgent);
    EXPECT_EQ(NextHungStep(watch, 44000, false, false), HungStep::Nothing);
    EXPECT_EQ(NextHungStep(watch, 73000, false, false), HungStep::Ask);  // ending did not help
    // An Exit waiting in the queue wins once the call has been out a second, the question up or
    // not; a quicker call returns first, and the Exit takes its usual way.
    EXPECT_EQ(NextHungStep(watch, 999, true, false), HungStep::Nothing);
    EXPECT_EQ(NextHungStep(watch, 1000, true, false), HungStep::Exit);
    EXPECT_EQ(NextHungStep(watch, 50000, true, true), HungStep::Exit);
}

// The clock of each call counts only the agent's silence. Every row happens at `ms`; a look
// gives what the watch would do about the innermost call then, and its silence.
TEST(HungCall, EachCallHasItsOwnClockThatStandsStillWhileTheProgramHandlesTheAgentsReports) {
    enum class Op { Call, Return, Report, ReportDone, Look, Answer };
    const struct Row {
        Op op;
        uint64_t ms;
        HungStep step = HungStep::Nothing;  // Look: expected
        uint64_t silence = 0;
        HungChoice choice = HungChoice::Wait;  // Answer: the user's, about the call at `depth`
        std::size_t depth = 0;
    } rows[] = {
        {Op::Call, 0},  // SignIn
        {Op::Look, 4000, HungStep::Nothing, 4000},
        {Op::Report, 5000},  // a failure reported inside SignIn; its box stays up for 15 s
        {Op::Look, 5000, HungStep::Nothing, 5000},
        {Op::Call, 6000},  // the skin timer asks the status from inside the box: 1.5 s
        {Op::Look, 7499, HungStep::Nothing, 1499},
        {Op::Return, 7500},
        {Op::Call, 8000},  // ... and again
        {Op::Report, 8100},  // a progress report inside that call, handled at once
        {Op::ReportDone, 8200},
        {Op::Look, 9000, HungStep::Nothing, 900},
        {Op::Return, 9500},
        {Op::ReportDone, 20000},  // the box is closed: SignIn's clock goes on from 5 s
        {Op::Look, 20000, HungStep::Nothing, 5000},
        {Op::Look, 24999, HungStep::Nothing, 9999},
        {Op::Look, 25000, HungStep::Ask, 10000},
        {Op::Answer, 26000, HungStep::Nothing, 0, HungChoice::Wait, 1},
        {Op::Look, 56000, HungStep::Ask, 41000},
        {Op::Answer, 56000, HungStep::Nothing, 0, HungChoice::Wait, 1},
        {Op::Report, 57000},
        {Op::Call, 57000},  // a call inside a report the agent sent meanwhile goes unanswered
        {Op::Look, 67000, HungStep::Ask, 10000},
        {Op::Answer, 67000, HungStep::Nothing, 0, HungChoice::EndAgent, 2},  // End for the inner call
        {Op::Look, 67250, HungStep::EndAgent, 10250},
        {Op::Return, 68000},  // it failed as the agent's death
        {Op::ReportDone, 68000},
        {Op::Look, 68000, HungStep::Nothing, 42000},  // the outer call's own watch: no end carried over
        {Op::Look, 96999, HungStep::Nothing, 70999},
        {Op::Look, 97000, HungStep::Ask, 71000},  // 30 s after its last answer
        {Op::Return, 98000},
        {Op::Look, 98000, HungStep::Nothing, 0},  // no call out
    };
    HungClock clock;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ms);
        switch (row.op) {
        case Op::Call: clock.BeginCall(row.ms); break;
        case Op::Return: clock.EndCall(row.ms); break;
        case Op::Report: clock.BeginIncoming(row.ms); break;
        case Op::ReportDone: clock.EndIncoming(row.ms); break;
        case Op::Answer: clock.Take(row.depth, row.choice, row.ms); break;
        case Op::Look:
            EXPECT_EQ(clock.Silence(row.ms), row.silence);
            EXPECT_EQ(clock.Next(row.ms, false, false), row.step);
            break;
        }
    }
    EXPECT_EQ(clock.Depth(), 0u);
    EXPECT_FALSE(clock.AnyAsked());
    // Asked about, a call turns later calls away until it returns; an Exit waiting wins after a
    // second of silence whatever the question.
    clock.BeginCall(0);
    EXPECT_EQ(clock.Next(10000, false, false), HungStep::Ask);
    EXPECT_TRUE(clock.AnyAsked());
    EXPECT_EQ(clock.Next(10000, true, true), HungStep::Exit);
    clock.EndCall(11000);
    EXPECT_FALSE(clock.AnyAsked());
}

TEST(ServerPath, TheProgramOfALocalServerCommandLine) {
    const struct {
        const wchar_t* line;
        const wchar_t* path;
    } cases[] = {
        {L"\"C:\\Program Files\\Velorex\\UploadAgent.exe\" /automation", L"C:\\Program Files\\Velorex\\UploadAgent.exe"},
        {L"C:\\Program Files\\Velorex\\UploadAgent.exe /automation", L"C:\\Program Files\\Velorex\\UploadAgent.exe"},
        {L"C:\\Users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\UploadAgent.EXE",
         L"C:\\Users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\UploadAgent.EXE"},
        {L"  C:\\a.exe.old\\agent.exe -x", L"C:\\a.exe.old\\agent.exe"},
        {L"C:\\agent /x", L"C:\\agent"},
        {L"\"C:\\unclosed quote.exe", L"C:\\unclosed quote.exe"},
        {L"", L""},
        {L"   ", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerImagePath(c.line), c.path);
}

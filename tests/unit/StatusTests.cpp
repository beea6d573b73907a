// What each StatusCode does on screen, in message boxes and to the Sign In dialog.
#include "tests/unit/AgentFixture.h"
#include "tests/support/Items.h"

#include <climits>
#include <set>

#include "agent/UploadController.h"

namespace {

// The codes that change only the status lines, with what each shows.
const std::pair<std::vector<int>, std::vector<std::string>> LINE_CODES[] = {
    {{10, 11, 16}, {"status:Drag files here|(null)", "progress:-1"}},
    {{12, 17}, {"status:One moment, please|(null)", "progress:-1"}},
    {{22}, {"busy"}},
    {{120}, {"cannot"}},
};
const int UPLOADING_CODES[] = {13, 15};
constexpr int SIGNED_IN_CODE = 19, UPLOAD_FAILED_CODE = 111;

struct BoxCase {
    std::vector<int> codes;
    const char* text;
    bool signInAfter;
};

const BoxCase BOX_CODES[] = {
    {{101, 102, 103, 105, 106, 107, 110, 115}, "Cannot connect to Sonavo. Please try again.", false},
    {{104}, "Authentication failed", false},
    {{108}, "Failed to authenticate. Bad user name or password", true},
    {{109}, "Operation is not allowed: User is not logged in", false},
    {{112}, "Failed to download file", false},
    {{113}, "No space left in your locker. All pending requests will be canceled.", false},
    {{114}, "Upload error. Please make sure the URL ends in .mp3, then try again.", false},
    {{116}, "Cannot connect to SonavoWeb. Please try again.", false},
    {{117}, "Failed to connect! Make sure your session cookies enabled and try again.", false},
    {{118}, "Failed to connect or server too busy. Make sure your persistent cookies enabled and try again.", true},
    {{121}, "Sorry, but we cannot upload files in this format. Please try an .mp3, .wma, .asf, or other commonly "
            "used audio file.", false},
};

// Every code the tests here give a meaning.
std::set<int> ListedCodes() {
    std::set<int> codes(std::begin(UPLOADING_CODES), std::end(UPLOADING_CODES));
    codes.insert({SIGNED_IN_CODE, UPLOAD_FAILED_CODE});
    for (const auto& row : LINE_CODES) codes.insert(row.first.begin(), row.first.end());
    for (const BoxCase& row : BOX_CODES) codes.insert(row.codes.begin(), row.codes.end());
    return codes;
}

}  // namespace

// Ready and working codes set the first line and clear the second; busy and cannot-connect
// show their own lines.
TEST_F(AgentTest, ReadyWorkingBusyAndCannotConnectCodesChangeOnlyTheStatusLines) {
    AgentClient& client = Connected();
    for (const auto& row : LINE_CODES)
        for (int code : row.first) {
            host.display.clear();
            client.OnStatus(code);
            EXPECT_EQ(host.display, row.second) << code;
        }
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(AgentTest, UploadingCodesShowTheAgentsCurrentFile) {
    AgentClient& client = Connected();
    agent.AnswerText(DispGetCurrentFileName, L"C:\\Music\\a song.mp3");
    client.OnStatus(13);
    client.OnStatus(15);
    agent.Fail(DispGetCurrentFileName, E_FAIL);
    client.OnStatus(13);
    EXPECT_EQ(host.display, (std::vector<std::string>{"uploading:C:\\Music\\a song.mp3",
                                                      "uploading:C:\\Music\\a song.mp3", "uploading:"}));
}

TEST_F(AgentTest, MessageCodesShowTheirBoxOwnedByTheWindow) {
    AgentClient& client = Connected();
    for (const BoxCase& row : BOX_CODES)
        for (int code : row.codes) {
            host.boxes.clear();
            host.signInDialogRuns = 0;
            client.OnStatus(code);
            ASSERT_EQ(host.boxes.size(), 1u) << code;
            EXPECT_EQ(host.boxes[0].text, row.text) << code;
            EXPECT_EQ(host.boxes[0].caption, "Parcelo");
            EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_OK));
            EXPECT_EQ(host.boxes[0].owner, host.window);
            EXPECT_EQ(host.signInDialogRuns, row.signInAfter ? 1 : 0) << code;
        }
    EXPECT_TRUE(host.display.empty());
}

TEST_F(AgentTest, MessageCodesDropNothingThatWaits) {
    AgentClient& client = Connected();
    host.deferred.AddPendingFile(Dropped("C:\\a.mp3"));
    host.deferred.HoldLockerRequest();
    for (int code : {104, 109, 112, 113, 114, 121}) client.OnStatus(code);
    EXPECT_EQ(host.deferred.pendingFiles.size(), 1u);
    EXPECT_EQ(host.deferred.lockerPending, 1);
}

TEST_F(AgentTest, UploadFailureNamesTheFileCutTo260Characters) {
    AgentClient& client = Connected();
    agent.AnswerText(DispGetCurrentFileName, std::wstring(300, L'n').c_str());
    client.OnStatus(111);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Sorry, but an error occurred when we tried to upload " + std::string(260, 'n') +
                                      " to your Locker. Please try again");
    agent.AnswerText(DispGetCurrentFileName, L"100% %s %n.mp3");  // never used as a format
    client.OnStatus(111);
    EXPECT_EQ(host.boxes[1].text,
              "Sorry, but an error occurred when we tried to upload 100% %s %n.mp3 to your Locker. Please try again");
    // Any script, exactly; a cut never parts the two halves of a surrogate pair.
    const std::string name = "Дмитрий/東京の夏 \U0001F3B5.mp3";
    agent.AnswerText(DispGetCurrentFileName, FromUtf8(name).c_str());
    client.OnStatus(111);
    EXPECT_EQ(host.boxes[2].text,
              "Sorry, but an error occurred when we tried to upload " + name + " to your Locker. Please try again");
    agent.AnswerText(DispGetCurrentFileName, (std::wstring(259, L'n') + FromUtf8("\U0001F3B5")).c_str());
    client.OnStatus(111);
    EXPECT_EQ(host.boxes[3].text, "Sorry, but an error occurred when we tried to upload " + std::string(259, 'n') +
                                      " to your Locker. Please try again");
}

// The agent sends its codes as 16-bit numbers: every one outside the list, with an item waiting
// for a sign-in the agent already reports, touches neither the window, the boxes, the dialog,
// the waiting item nor the agent.
TEST_F(AgentTest, UnlistedCodesDoNothing) {
    AgentClient& client = Connected(true);
    host.deferred.AddPendingFile(Dropped("C:\\waiting.mp3"));
    agent.calls.clear();
    const std::set<int> listed = ListedCodes();
    for (int code = SHRT_MIN; code <= SHRT_MAX; ++code)
        if (!listed.count(code)) client.OnStatus(code);
    EXPECT_TRUE(host.display.empty());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.signInDialogRuns, 0);
    EXPECT_EQ(host.deferred.pendingFiles.size(), 1u);
    EXPECT_TRUE(agent.calls.empty());
}

// Each listed code, sent alone, does one thing the user notices: it changes the status lines,
// or shows one box with a text, or sends on what waited for the sign-in; never two of these.
TEST_F(AgentTest, EveryListedCodeDoesOneThingTheUserNotices) {
    AgentClient& client = Connected(true);
    agent.AnswerText(DispGetCurrentFileName, L"C:\\Music\\now.mp3");
    for (int code : ListedCodes()) {
        host.display.clear();
        host.boxes.clear();
        host.deferred.pendingFiles.clear();
        host.deferred.AddPendingFile(Dropped("C:\\waiting.mp3"));
        const int uploads = agent.Count(DispUpload);
        client.OnStatus(code);
        const bool shown = !host.display.empty(), boxed = !host.boxes.empty();
        const bool sentOn = !host.handOver.Empty();
        host.handOver.Clear();
        EXPECT_EQ(agent.Count(DispUpload), uploads) << code;  // never inside the notification
        EXPECT_EQ(int(shown) + int(boxed) + int(sentOn), 1) << code;
        EXPECT_LE(host.boxes.size(), 1u) << code;
        if (boxed) {
            EXPECT_FALSE(host.boxes[0].text.empty()) << code;
        }
    }
}

TEST_F(AgentTest, ProgressGoesToTheSecondLineUnchanged) {
    AgentClient& client = Connected();
    agent.AnswerShort(DispGetFilesToGo, 3);
    client.OnProgress(40);
    client.OnProgress(-1);
    agent.Fail(DispGetFilesToGo, E_FAIL);  // no count then, never an invented one
    client.OnProgress(250);
    EXPECT_EQ(host.display, (std::vector<std::string>{"progress:40/3", "progress:-1", "progress:250"}));
}

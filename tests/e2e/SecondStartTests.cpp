// The next day: a sign-in with "Auto Sign in" checked is repeated by the next start on its
// own, with the window still hidden, and URLs dropped as text then go to the Locker, from a
// local file and from a web server (on the loopback interface).
#include "agent/AgentProtocol.h"
#include "tests/e2e/UserSessionFixture.h"
#include "tests/support/LoopbackServer.h"

using namespace agentproto;

namespace {

// Drags `text` from the second Windows program onto the window and waits for the drop.
DWORD DropText(HWND window, const std::string& text) {
    ProgramProcess source(UserSessionTest::DragSourceCommand({200, 200}, "text", text));
    HWND handle = UserSessionTest::DragSourceWindow(source);
    if (!handle) return 0xFFFFFFFF;
    UserSessionTest::DragWithMouse(handle, window);
    const DWORD outcome = source.WaitForExit();
    MoveMouse({10, 500});
    return outcome;
}

}  // namespace

class SecondStartTest : public UserSessionTest {};

TEST_F(SecondStartTest, AnAutomaticSignInIsRepeatedAtTheNextStartWhichThenUploadsDroppedUrls) {
    {
        ParceloProcess first;
        HWND window = first.ShownWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntilReadyForKeys(window));
        PressKeys({VK_CONTROL, 'S'});  // "Sign in..." from the keyboard
        ConfirmSignIn(first, "auto pass", true);
        ASSERT_TRUE(WaitForStatus(window, "Drag files here", ""));
        DWORD agent = 0;
        ExitThroughMenu(first, window, &agent);
        ASSERT_EQ(first.WaitForExit(), 0u);
        EXPECT_TRUE(WaitForProcessEnd(agent)) << "the agent outlived the program";
    }
    // Kept as typed: the password in plain text.
    EXPECT_EQ(StoredText("User", "User name"), account_);
    EXPECT_EQ(StoredText("User", "Password"), "auto pass");
    EXPECT_EQ(StoredNumber("User", "Auto Login"), 1u);

    // Started the way the system starts it at log-on: no switch, the window hidden.
    ParceloProcess second("");
    HWND window = second.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispSignIn).size() == 2; }))
        << "the second start did not sign in by itself";
    EXPECT_NE(script.LoggedCalls(DispSignIn)[1].find("\t8:" + account_ + "\t8:auto pass\t"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[1];
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(second.FindShown("#32770"), nullptr) << "a dialog or box at an automatic start";

    HWND icon = TrayIcon();
    ASSERT_NE(icon, nullptr);
    DoubleClickLeft(CentreOf(icon));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", ""));

    // A local file named by a URL.
    const std::string tune = MakeSong("tune.mp3");
    std::string url = "file:///" + tune;
    for (char& c : url)
        if (c == '\\') c = '/';
    EXPECT_EQ(DropText(window, url), 0x100u | DROPEFFECT_COPY);
    ASSERT_TRUE(WaitForLockerFile("tune.mp3"));
    EXPECT_EQ(Contents(InLocker("tune.mp3")), Contents(tune));

    // A song on a web server.
    std::string remote = "ID3";
    for (int i = 0; remote.size() < 100000; ++i) remote += static_cast<char>(i * 31);
    LoopbackServer server(remote);
    ASSERT_NE(server.Port(), 0);
    const std::string web = "http://127.0.0.1:" + std::to_string(server.Port()) + "/remote.mp3";
    EXPECT_EQ(DropText(window, web), 0x100u | DROPEFFECT_COPY);
    ASSERT_TRUE(WaitForLockerFile("remote.mp3"));
    EXPECT_EQ(Contents(InLocker("remote.mp3")), remote);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /remote.mp3 HTTP/1.1");

    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[0].find("\t8:" + url + "\t"), std::string::npos) << uploads[0];
    EXPECT_NE(uploads[1].find("\t8:" + web + "\t"), std::string::npos) << uploads[1];
    EXPECT_EQ(script.LoggedCalls(DispSignIn).size(), 2u);

    ExitThroughMenu(second, window);
}

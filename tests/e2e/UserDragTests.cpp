// Files dragged onto the drop window from other programs with the mouse: a second Windows
// program (OLE drag and drop between processes) and a native X11 program (XDND, which Wine
// turns into a file list), while signed out and while signed in.
#include <algorithm>
#include <sstream>
#include <vector>

#include "agent/AgentProtocol.h"
#include "tests/e2e/UserSessionFixture.h"

using namespace agentproto;

namespace {

constexpr DWORD DROPPED_COPY = 0x100 | DROPEFFECT_COPY;  // the drag source's exit code for a copy

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

}  // namespace

class UserDragTest : public UserSessionTest {};

TEST_F(UserDragTest, AFileDraggedFromAnotherProgramWhileSignedOutAsksForSignInThenReachesTheLocker) {
    const std::string song = MakeSong("dragged.mp3", 2);
    ParceloProcess program;
    ASSERT_TRUE(program.Started());
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);

    ProgramProcess source(DragSourceCommand({200, 200}, "files", song));
    HWND handle = DragSourceWindow(source);
    ASSERT_NE(handle, nullptr);
    DragWithMouse(handle, window);

    // The drop waits inside the program until the dialog is answered.
    ConfirmSignIn(program, "drag pass", false);
    EXPECT_EQ(source.WaitForExit(), DROPPED_COPY);
    ASSERT_TRUE(WaitForLockerFile("dragged.mp3"));
    EXPECT_EQ(Contents(InLocker("dragged.mp3")), Contents(song));
    EXPECT_EQ(script.CallOrder({DispUpload, DispSignIn, DispSignOut}),
              (std::vector<long>{DispSignOut, DispSignIn, DispUpload}));
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_NE(uploads[0].find("\t8:" + song + "\t"), std::string::npos) << uploads[0];

    ExitThroughMenu(program, window);
}

TEST_F(UserDragTest, AFileDraggedFromAnotherProgramAfterSigningInThroughTheMenuGoesStraightToTheLocker) {
    const std::string song = MakeSong("second.mp3");
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);

    // "Sign in..." from the menu, chosen by its underlined letter.
    ClickRight(CentreOf(window));
    HWND menu = program.Menu();
    ASSERT_NE(menu, nullptr);
    PressKey('S');
    ConfirmSignIn(program, "menu pass", false);
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", "")) << "the window never showed that it is ready";
    ASSERT_EQ(script.LoggedCalls(DispSignIn).size(), 1u);
    EXPECT_NE(script.LoggedCalls(DispSignIn)[0].find("\t8:" + account_ + "\t8:menu pass\t"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[0];

    ProgramProcess source(DragSourceCommand({200, 200}, "files", song));
    HWND handle = DragSourceWindow(source);
    ASSERT_NE(handle, nullptr);
    DragWithMouse(handle, window);
    EXPECT_EQ(source.WaitForExit(), DROPPED_COPY) << "the drop did not go through without a question";
    EXPECT_EQ(program.FindShown("#32770"), nullptr) << "a dialog or box came up for a signed-in drop";
    ASSERT_TRUE(WaitForLockerFile("second.mp3"));
    EXPECT_EQ(Contents(InLocker("second.mp3")), Contents(song));
    EXPECT_EQ(script.LoggedCalls(DispSignIn).size(), 1u);

    ExitThroughMenu(program, window);
}

TEST_F(UserDragTest, AFileDraggedFromANativeX11ProgramArrivesAsAFileAndReachesTheLocker) {
    StoreAutomaticSignIn(account_, "x11 pass");
    // A file on the Linux side, named the way a Linux file manager offers it.
    const std::string unixFolder = "/tmp/parcelo-e2e-x11-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(WindowsPath(unixFolder).c_str(), nullptr);
    std::string audio = "ID3";
    for (int i = 0; audio.size() < 70000; ++i) audio += static_cast<char>(i * 13);
    WriteBytes(WindowsPath(unixFolder + "/native song.mp3"), audio);
    const std::string log = unixFolder + "/drag.log";
    struct Cleanup {
        std::string folder;
        ~Cleanup() { RemoveTree(folder); }
    } cleanup{WindowsPath(unixFolder)};

    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", "")) << "no automatic sign-in";

    LinuxProcess source(std::string(E2E_XDND_SOURCE) + " " + log + " 200 200 file://" + unixFolder +
                        "/native%20song.mp3");
    ASSERT_GT(source.Pid(), 0);
    auto logLines = [&] { return Lines(Contents(WindowsPath(log))); };
    ASSERT_TRUE(PumpUntil([&] { return Has(logLines(), "ready"); })) << Contents(WindowsPath(log));

    const POINT target = CentreOf(window);
    ASSERT_EQ(RunShell("xdotool mousemove 232 232 mousedown 1"), 0);
    ASSERT_TRUE(PumpUntil([&] { return Has(logLines(), "grabbed"); })) << Contents(WindowsPath(log));
    for (int step = 1; step <= 6; ++step) {
        const int x = 232 + (target.x - 232) * step / 6, y = 232 + (target.y - 232) * step / 6;
        ASSERT_EQ(RunShell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y)), 0);
    }
    ASSERT_TRUE(PumpUntil([&] { return Has(logLines(), "status 1 XdndActionCopy"); }))
        << "the window never accepted the drag:\n"
        << Contents(WindowsPath(log));
    ASSERT_EQ(RunShell("xdotool mouseup 1"), 0);
    ASSERT_TRUE(PumpUntil([&] { return Has(logLines(), "done"); })) << Contents(WindowsPath(log));
    EXPECT_TRUE(Has(logLines(), "asked text/uri-list")) << Contents(WindowsPath(log));
    EXPECT_TRUE(Has(logLines(), "finished 1 XdndActionCopy")) << Contents(WindowsPath(log));

    // Wine hands the file over by its Windows name on the drive that shows the Linux root.
    ASSERT_TRUE(WaitForLockerFile("native song.mp3"));
    EXPECT_EQ(Contents(InLocker("native song.mp3")), audio);
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_NE(uploads[0].find("\t8:" + WindowsPath(unixFolder + "/native song.mp3") + "\t"), std::string::npos)
        << uploads[0];

    ExitThroughMenu(program, window);
}

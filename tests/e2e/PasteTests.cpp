// Ctrl+V on the drop window, as a person who cannot drag uses it: what another program put on
// the clipboard goes as a drop of it would, signed out or in.

#include "agent/AgentProtocol.h"
#include "tests/e2e/UserSessionFixture.h"
#include "tests/support/Clipboard.h"
#include "tests/support/DropFilesBlock.h"
#include "tests/support/ListeningPipe.h"

using namespace agentproto;

namespace {

void PutText(const std::wstring& text) {
    EXPECT_TRUE(PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

class PasteTest : public UserSessionTest {
protected:
    // Clicked only when it is not the active window already: two clicks in a row would be
    // a double click, which hides it.
    void Paste(HWND window) {
        if (!WaitUntilReadyForKeys(window, 0)) {
            ASSERT_NO_FATAL_FAILURE(ClickToMakeActive(window));
        }
        PressKeys({VK_CONTROL, 'V'});
    }
};

TEST_F(PasteTest, AFileListOrAUnicodeUrlOnTheClipboardGoesLikeADropAndSignedOutAsksForSignInFirst) {
    const std::string song = MakeSong("pasted.mp3");
    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);

    const std::wstring path = Wide(song);
    const std::vector<unsigned char> list =
        DropFilesBlock(std::vector<std::u16string>{std::u16string(path.begin(), path.end())});
    ASSERT_TRUE(PutOnClipboard(CF_HDROP, list.data(), list.size()));
    ASSERT_NO_FATAL_FAILURE(Paste(window));
    ConfirmSignIn(program, "paste pass", false);
    ASSERT_TRUE(WaitForLockerFile("pasted.mp3"));
    EXPECT_EQ(Contents(InLocker("pasted.mp3")), Contents(song));
    EXPECT_EQ(script.CallOrder({DispUpload, DispSignIn, DispSignOut}),
              (std::vector<long>{DispSignOut, DispSignIn, DispUpload}));

    // A URL whose name the system code page cannot hold, offered only as Unicode text.
    const std::wstring name = L"\x041c\x0435\x043b\x043e\x0434\x0438\x044f.mp3";
    const std::wstring tune = Wide(folder_) + L"\\" + name;
    ASSERT_TRUE(WriteBytes(tune, "ID3 tune"));
    std::wstring url = L"file:///" + tune;
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';
    PutText(url);
    ASSERT_NO_FATAL_FAILURE(Paste(window));
    ASSERT_TRUE(PumpUntil([&] { return Exists(Wide(locker_ + "\\" + account_ + "\\") + name); }));
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[1].find("\t8:" + Utf8(url) + "\t"), std::string::npos) << uploads[1];

    ExitThroughMenu(program, window);
}

// A text that names a pipe or a share is an item for the agent, never a file to open; an empty
// clipboard gives nothing.
TEST_F(PasteTest, ATextNamingAPipeOrAShareIsHandedOverUnopenedAndAnEmptyClipboardGivesNothing) {
    StoreAutomaticSignIn(account_, "paste pass");
    script.Set("1.hr", S_OK);  // every item taken as it is
    const ListeningPipe pipe(L"parcelo-paste");
    ASSERT_TRUE(pipe.Listening());
    const std::wstring& pipeName = pipe.Name();

    ParceloProcess program;
    HWND window = program.ShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispSignIn).size() == 1; }));
    const std::wstring share = L"\\\\nowhere\\music\\song.mp3";
    for (const std::wstring& text : {pipeName, share}) {
        PutText(text);
        ASSERT_NO_FATAL_FAILURE(Paste(window));
    }
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispUpload).size() == 2; }));
    ASSERT_TRUE(PutOnClipboard(CF_TEXT, "", 0));
    ASSERT_NO_FATAL_FAILURE(Paste(window));
    PumpUntil([] { return false; }, 1000);  // time for a wrong upload to show
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[0].find("\t8:" + Utf8(pipeName) + "\t"), std::string::npos) << uploads[0];
    EXPECT_NE(uploads[1].find("\t8:" + Utf8(share) + "\t"), std::string::npos) << uploads[1];
    EXPECT_FALSE(pipe.Opened()) << "the pipe was opened";
    EXPECT_EQ(program.FindShown("#32770"), nullptr) << "a box or dialog came up";

    ExitThroughMenu(program, window);
}

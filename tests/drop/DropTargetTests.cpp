// Drops on the real drop window through a real DoDragDrop from another apartment: which
// format wins, what the agent side receives and in what order, and what the drag source
// is told.
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/Files.h"
#include "tests/support/Items.h"
#include "tests/support/ListeningPipe.h"
#include "tests/support/Owned.h"
#include "tests/support/WindowFacts.h"
#include "tests/fakes/MainWindowFixture.h"
#include "win/ComPtr.h"
#include "win/ComText.h"

using namespace agentproto;
using Items = std::vector<std::string>;
using Calls = std::vector<std::string>;

namespace {

class DropTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        g_state.signInAnswer = IDOK;  // the Sign In dialog's stand-in lets the drop go on
    }
    // The start connects to the agent; only what the drop asks is kept.
    void OpenShown() {
        Open(L" /showparcelo");
        ASSERT_TRUE(IsWindowVisible(handle));
        fakeAgent.calls.clear();
    }
    // Puts a recorder in front of the window's target; the window stays the real target.
    RecordingTarget* Spy() {
        spy_.Reset(RecordingTarget::Install(handle, window));
        return spy_.Get();
    }
    DragOutcome Drag(std::vector<OfferedFormat> formats) { return RunDrag(CentreOf(handle), std::move(formats)); }

    ComPtr<RecordingTarget> spy_;
};

}  // namespace

TEST_F(DropTest, AFileListArrivesInListOrderAfterOneSignIn) {
    OpenShown();
    const ULONG references = References();
    const std::vector<std::wstring> paths = {L"C:\\music\\b.mp3", L"C:\\music\\a b.mp3", L"Z:\\tmp\\a.wav",
                                             L"C:\\music\\b.mp3"};
    DragOutcome drag = Drag({Files(paths)});
    EXPECT_EQ(drag.result, DRAGDROP_S_DROP);
    EXPECT_EQ(Handed(), (Items{"C:\\music\\b.mp3", "C:\\music\\a b.mp3", "Z:\\tmp\\a.wav", "C:\\music\\b.mp3"}));
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_FALSE(drag.feedback.empty());
    for (DWORD effect : drag.feedback) EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_HDROP});
    EXPECT_EQ(g_state.signInRuns, 1);  // BeginFiles once, for the whole list
    EXPECT_EQ(drag.dataLeft, 0u);  // nothing kept the data object
    EXPECT_EQ(References(), references);
    EXPECT_EQ(EffectNow(), 0u);
}

TEST_F(DropTest, SignedInEachFileIsUploadedAsItComes) {
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    OpenShown();
    std::vector<std::string> calls;
    fakeAgent.onCall = [&](DISPID id) {
        if (id == DispIsSignedIn) calls.push_back("IsSignedIn");
        if (id == DispUpload) calls.push_back("Upload " + fakeAgent.calls.back().args.at(0).text);
    };
    Drag({Files({L"C:\\1.mp3", L"C:\\2.mp3"})});
    Handed();
    fakeAgent.onCall = nullptr;
    // BeginFiles asks once; each AddFile asks again and uploads.
    EXPECT_EQ(calls, (Calls{"IsSignedIn", "IsSignedIn", "Upload C:\\1.mp3", "IsSignedIn", "Upload C:\\2.mp3"}));
    EXPECT_EQ(g_state.signInRuns, 0);
}

TEST_F(DropTest, AnEmptyListIsTakenWithoutAskingAnything) {
    OpenShown();
    RecordingTarget* target = Spy();
    DragOutcome drag = Drag({Files({})});
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 1", "DragOver 1", "Drop 0x00000000 1"}));
    EXPECT_TRUE(Handed().empty());
    EXPECT_EQ(g_state.signInRuns, 0);
    EXPECT_TRUE(fakeAgent.calls.empty());
}

TEST_F(DropTest, CancelInTheSignInDialogStopsAFiveFileDropBeforeAnyFile) {
    MainWindow::seams.runSignInDialog = nullptr;  // the real dialog
    OpenShown();
    AgentSessionParts(window->Session()).deferred.pendingFiles = {Dropped("C:\\held.mp3")};
    AgentSessionParts(window->Session()).deferred.HoldLockerRequest();
    RecordingTarget* target = Spy();
    DialogDriver driver({[](HWND dialog) { Click(dialog, IDCANCEL); }});
    DragOutcome drag = Drag({Files({L"C:\\1.mp3", L"C:\\2.mp3", L"C:\\3.mp3", L"C:\\4.mp3", L"C:\\5.mp3"})});
    EXPECT_TRUE(Handed().empty());  // none of the five, and the held item is dropped too
    EXPECT_EQ(driver.owners.size(), 1u);
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 1", "DragOver 1", "Drop 0x00000000 1"}));
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(window->Session().Held().lockerPending, 0);
    EXPECT_EQ(fakeAgent.Count(DispUpload), 0);
    EXPECT_EQ(fakeAgent.Count(DispSignIn), 0);
}

TEST_F(DropTest, TextArrivesExactlyAsOneItemFromItsUtf16FormWhenOffered) {
    OpenShown();
    // Code-page text alone is read through the code page, byte for byte.
    const std::string text = "  http://example.com/a b.mp3?x=%s%n\r\nsecond line\t\xe9\xff\x01 ";
    DragOutcome drag = Drag({Text(text)});
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Handed(), Items{Utf8(Wide(text))});
    EXPECT_EQ(g_state.signInRuns, 1);
    // Beside the UTF-16 form, a code-page form that lost the letters, or one holding UTF-8 bytes
    // (as a browser may give it), is never read.
    const std::string name = "http://127.0.0.1/Дмитрий/песня 日本 \U0001F3B5.mp3";
    const std::string lossy = "http://127.0.0.1/" + std::string(7, '?') + "/????? ?? ?.mp3";
    for (const std::string& codePage : {lossy, name}) {
        drag = Drag({Text(codePage), WideText(FromUtf8(name))});
        EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
        EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_UNICODETEXT});
    }
    // The UTF-16 form alone, as Wine's own drops bring text, is text as well, copied.
    RecordingTarget* target = Spy();
    drag = Drag({WideText(FromUtf8(name))});
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 1", "DragOver 1", "Drop 0x00000000 1"}));
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_UNICODETEXT});
    EXPECT_EQ(Handed(), (Items{Utf8(Wide(text)), name, name, name}));
}

TEST_F(DropTest, TheFileListWinsOverTextOfferedFirstAndAPathLongerThanMaxPathArrivesWhole) {
    OpenShown();
    DragOutcome drag = Drag({Text("C:\\text.mp3"), Files({L"C:\\file.mp3"})});
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_HDROP});
    EXPECT_EQ(Handed(), Items{"C:\\file.mp3"});
    std::wstring path = L"C:\\";
    while (path.size() < 290) path += L"long folder name\\";
    path += L"track.mp3";
    ASSERT_GT(path.size(), 300u);
    Drag({Files({path, L"C:\\short.mp3"})});
    EXPECT_EQ(Handed(), (Items{"C:\\file.mp3", Utf8(path), "C:\\short.mp3"}));
}

TEST_F(DropTest, TheDescriptorLinksButOnlyItsTextIsEverRead) {
    OpenShown();
    const std::vector<unsigned char> descriptorBytes(596, 0x41);
    // Either form of the descriptor alone (the wide one too): linked while dragged, but there
    // is nothing to hand over.
    for (bool wide : {false, true}) {
        RecordingTarget* target = Spy();
        DragOutcome alone = Drag({{DescriptorFormat(wide), descriptorBytes, true}});
        EXPECT_EQ(target->Calls(), (Calls{"DragEnter 4", "DragOver 4", "Drop 0x80004005 0"}));
        EXPECT_EQ(alone.effect, static_cast<DWORD>(DROPEFFECT_NONE));
        EXPECT_EQ(alone.fetched, std::vector<CLIPFORMAT>{CF_TEXT});
    }
    EXPECT_TRUE(Handed().empty());
    EXPECT_EQ(g_state.signInRuns, 0);

    // With text beside it, the text goes, under the link effect: its UTF-16 form when offered.
    DragOutcome withText = Drag({{DescriptorFormat(false), descriptorBytes, true}, Text("a title")});
    EXPECT_EQ(withText.effect, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(withText.fetched, std::vector<CLIPFORMAT>{CF_TEXT});
    DragOutcome withWide = Drag({{DescriptorFormat(true), descriptorBytes, true}, WideText(FromUtf8("титул"))});
    EXPECT_EQ(withWide.effect, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(withWide.fetched, std::vector<CLIPFORMAT>{CF_UNICODETEXT});
    EXPECT_EQ(Handed(), (Items{"a title", "титул"}));
}

TEST_F(DropTest, OtherFormatsAreRefusedThroughout) {
    OpenShown();
    RecordingTarget* target = Spy();
    const CLIPFORMAT url = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    DragOutcome drag = Drag({{url, {'h', 0}, true}, {CF_DIB, {1, 2, 3}, true}});
    EXPECT_FALSE(drag.gaveUp);
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    for (DWORD effect : drag.feedback) EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 0", "DragOver 0", "DragLeave"}));
    EXPECT_TRUE(drag.fetched.empty());
    EXPECT_EQ(EffectNow(), 0u);
    EXPECT_TRUE(Handed().empty());
    EXPECT_TRUE(fakeAgent.calls.empty());
}

// ---- names the system code page cannot hold

namespace {

// A file in a folder of its own, removed with the folder.
class ScratchFile {
public:
    explicit ScratchFile(const std::wstring& name)
        : folder_(Wide(TempFolder()) + L"parcelo-drop-" + std::to_wstring(GetCurrentProcessId())),
          path_(folder_ + L"\\" + name) {
        CreateDirectoryW(folder_.c_str(), nullptr);
        WriteBytes(path_, "ID3");
    }
    ~ScratchFile() {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring folder_;
    std::wstring path_;
};

}  // namespace

TEST_F(DropTest, EveryNameIsHandedOverExactlyAsDropped) {
    ASSERT_EQ(GetACP(), 1252u) << "the case needs a code page without Cyrillic";
    // No Cyrillic in the code page; an a-macron that it would "fit" as a plain a, naming
    // the other file; a name with no file behind it, so no short form either.
    ScratchFile cyrillic(L"\x041f\x0435\x0441\x043d\x044f \x043e \x043b\x0435\x0442\x0435.mp3");
    ScratchFile macron(L"M\x0101ori.mp3");
    ScratchFile lookAlike(L"Maori.mp3");
    const std::wstring missing = L"C:\\nowhere\\\x65e5\x672c\x8a9e \xd83c\xdfb5.mp3";
    OpenShown();
    Drag({Files({cyrillic.Path(), macron.Path(), missing, L"C:\\plain.mp3"})});
    Handed();
    std::vector<std::wstring> texts;
    for (const UploadItem& item : window->Session().Held().pendingFiles) {
        texts.push_back(item.text);
        EXPECT_TRUE(item.fromFileList);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{cyrillic.Path(), macron.Path(), missing, L"C:\\plain.mp3"}));
    EXPECT_TRUE(g_state.boxes.empty());
    EXPECT_EQ(g_state.signInRuns, 1);
}

TEST_F(DropTest, APipeNameGoesToTheAgentUnopenedFromEitherSource) {
    const ListeningPipe pipe(L"parcelo-drop");
    ASSERT_TRUE(pipe.Listening());
    const std::wstring& name = pipe.Name();
    fakeAgent.AnswerShort(DispIsSignedIn, 1);
    OpenShown();
    Drag({Text(Utf8(name))});
    Drag({Files({name})});
    Handed();
    EXPECT_EQ(fakeAgent.Uploaded(), (Items{Utf8(name), Utf8(name)}));
    EXPECT_FALSE(pipe.Opened()) << "the size check opened the pipe";
}

// Drops on the real drop window through a real DoDragDrop from another apartment: which
// format wins, what the agent side receives and in what order, and what the drag source
// is told.
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "agent/ComPtr.h"
#include "res/resource.h"
#include "tests/drop/DragSource.h"
#include "tests/settings/PrivateHive.h"
#include "tests/settings/DialogDriver.h"
#include "tests/ui/MainWindowFixture.h"

using namespace agentproto;
using Items = std::vector<std::string>;
using Calls = std::vector<std::string>;

namespace {

class DropTest : public MainWindowTest {
protected:
    void SetUp() override {
        hive_ = std::make_unique<PrivateHive>();  // the windows save their settings at the end
        MainWindowTest::SetUp();
        g_state.signInAnswer = IDOK;  // the Sign In dialog's stand-in lets the drop go on
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        hive_.reset();
    }
    // The start connects to the agent; only what the drop asks is kept.
    void OpenShown() {
        Open(" /showparcelo");
        ASSERT_TRUE(IsWindowVisible(handle));
        fakeAgent.calls.clear();
    }
    // Puts a recorder in front of the window's target; the window stays the real target.
    RecordingTarget* Spy() {
        spy_.Reset(RecordingTarget::Install(handle, window));
        return spy_.Get();
    }
    DragOutcome Drag(std::vector<OfferedFormat> formats) { return RunDrag(CentreOf(handle), std::move(formats)); }
    // What AddFile was given while signed out: it holds each item for the sign-in.
    const Items& Handed() const { return window->deferredLogin.pendingFiles; }
    Items Uploads() const {
        Items uploads;
        for (const FakeCall& call : fakeAgent.calls)
            if (call.id == DispUpload) uploads.push_back(call.args.at(0).text);
        return uploads;
    }

    ComPtr<RecordingTarget> spy_;

    std::unique_ptr<PrivateHive> hive_;
};

std::string Narrow(const std::wstring& wide) {
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace

TEST_F(DropTest, AFileListArrivesInListOrderAfterOneSignIn) {
    OpenShown();
    const LONG references = window->referenceCount;
    const std::vector<std::wstring> paths = {L"C:\\music\\b.mp3", L"C:\\music\\a b.mp3", L"Z:\\tmp\\a.wav",
                                             L"C:\\music\\b.mp3"};
    DragOutcome drag = Drag({Files(paths)});
    EXPECT_EQ(drag.result, DRAGDROP_S_DROP);
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_FALSE(drag.feedback.empty());
    for (DWORD effect : drag.feedback) EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_HDROP});
    EXPECT_EQ(g_state.signInRuns, 1);  // BeginFiles once, for the whole list
    EXPECT_EQ(Handed(), (Items{"C:\\music\\b.mp3", "C:\\music\\a b.mp3", "Z:\\tmp\\a.wav", "C:\\music\\b.mp3"}));
    EXPECT_EQ(drag.dataLeft, 0u);  // nothing kept the data object
    EXPECT_EQ(window->referenceCount, references);
    EXPECT_EQ(window->currentEffect, 0u);
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
    EXPECT_EQ(g_state.signInRuns, 0);
    EXPECT_TRUE(fakeAgent.calls.empty());
    EXPECT_TRUE(Handed().empty());
}

TEST_F(DropTest, CancelInTheSignInDialogStopsAFiveFileDropBeforeAnyFile) {
    MainWindow::seams.runSignInDialog = nullptr;  // the real dialog
    OpenShown();
    window->deferredLogin.pendingFiles = {"C:\\held.mp3"};
    window->deferredLogin.lockerPending = 1;
    RecordingTarget* target = Spy();
    DialogDriver driver(nullptr, [](HWND dialog) { Click(dialog, IDCANCEL); });
    DragOutcome drag = Drag({Files({L"C:\\1.mp3", L"C:\\2.mp3", L"C:\\3.mp3", L"C:\\4.mp3", L"C:\\5.mp3"})});
    EXPECT_EQ(driver.dialogs, 1);
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 1", "DragOver 1", "Drop 0x00000000 1"}));
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(Handed().empty());  // none of the five, and the held item is dropped too
    EXPECT_EQ(window->deferredLogin.lockerPending, 0);
    EXPECT_EQ(fakeAgent.Count(DispUpload), 0);
    EXPECT_EQ(fakeAgent.Count(DispSignIn), 0);
}

TEST_F(DropTest, TextArrivesByteForByteAsOneItem) {
    OpenShown();
    const std::string text = "  http://example.com/a b.mp3?x=%s%n\r\nsecond line\t\xe9\xff\x01 ";
    DragOutcome drag = Drag({Text(text)});
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(g_state.signInRuns, 1);
    EXPECT_EQ(Handed(), Items{text});
}

TEST_F(DropTest, TheFileListWinsOverTextOfferedFirst) {
    OpenShown();
    DragOutcome drag = Drag({Text("C:\\text.mp3"), Files({L"C:\\file.mp3"})});
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(drag.fetched, std::vector<CLIPFORMAT>{CF_HDROP});
    EXPECT_EQ(Handed(), Items{"C:\\file.mp3"});
}

TEST_F(DropTest, TheDescriptorLinksButOnlyItsTextIsEverRead) {
    OpenShown();
    const CLIPFORMAT descriptor = DescriptorFormat();
    RecordingTarget* target = Spy();
    // The descriptor alone: linked while dragged, but there is nothing to hand over.
    DragOutcome alone = Drag({{descriptor, std::vector<unsigned char>(596, 0x41), true}});
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 4", "DragOver 4", "Drop 0x80004005 0"}));
    EXPECT_EQ(alone.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(alone.fetched, std::vector<CLIPFORMAT>{CF_TEXT});
    EXPECT_EQ(g_state.signInRuns, 0);
    EXPECT_TRUE(Handed().empty());

    // With text beside it, the text goes, under the link effect.
    DragOutcome withText = Drag({{descriptor, std::vector<unsigned char>(596, 0x41), true}, Text("a title")});
    EXPECT_EQ(withText.effect, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(withText.fetched, std::vector<CLIPFORMAT>{CF_TEXT});
    EXPECT_EQ(Handed(), Items{"a title"});
}

TEST_F(DropTest, OtherFormatsAreRefusedThroughout) {
    OpenShown();
    RecordingTarget* target = Spy();
    const CLIPFORMAT url = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    const std::vector<unsigned char> wideText = {'a', 0, 0, 0};
    DragOutcome drag = Drag({{CF_UNICODETEXT, wideText, true}, {url, {'h', 0}, true}, {CF_DIB, {1, 2, 3}, true}});
    EXPECT_FALSE(drag.gaveUp);
    EXPECT_EQ(drag.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    for (DWORD effect : drag.feedback) EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target->Calls(), (Calls{"DragEnter 0", "DragOver 0", "DragLeave"}));
    EXPECT_TRUE(drag.fetched.empty());
    EXPECT_EQ(window->currentEffect, 0u);
    EXPECT_TRUE(fakeAgent.calls.empty());
}

TEST_F(DropTest, APathLongerThanMaxPathArrivesWhole) {
    OpenShown();
    std::wstring path = L"C:\\";
    while (path.size() < 290) path += L"long folder name\\";
    path += L"track.mp3";
    ASSERT_GT(path.size(), 300u);
    Drag({Files({path, L"C:\\short.mp3"})});
    EXPECT_EQ(Handed(), (Items{Narrow(path), "C:\\short.mp3"}));
}

// ---- names the system code page cannot hold

namespace {

// A file in a folder of its own, removed with the folder.
class ScratchFile {
public:
    explicit ScratchFile(const std::wstring& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"parcelo-drop-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\" + name;
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, "ID3", 3, &written, nullptr);
            CloseHandle(file);
        }
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

const wchar_t kCyrillicName[] = L"\x041f\x0435\x0441\x043d\x044f \x043e \x043b\x0435\x0442\x0435.mp3";

// Whether two names lead to the same file.
bool SameFile(const std::string& narrow, const std::wstring& wide) {
    auto identify = [](HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
        const bool ok = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION a = {}, b = {};
    return identify(CreateFileA(narrow.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), a) &&
           identify(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), b) &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber;
}

}  // namespace

TEST_F(DropTest, ANameOutsideTheCodePageIsPassedByItsShortName) {
    ASSERT_EQ(GetACP(), 1252u) << "the case needs a code page without Cyrillic";
    ScratchFile file(kCyrillicName);
    OpenShown();
    Drag({Files({file.Path()})});
    ASSERT_EQ(Handed().size(), 1u);
    const std::string& passed = Handed()[0];
    EXPECT_EQ(passed.find('?'), std::string::npos) << passed;
    EXPECT_TRUE(SameFile(passed, file.Path())) << passed;
    EXPECT_TRUE(g_state.boxes.empty());
}

TEST_F(DropTest, ABestFitLookAlikeIsNeverPassedForTheRealName) {
    // The code page has no a-macron but "fits" it as a plain a, which names the other file.
    ScratchFile real(L"M\x0101ori.mp3");
    ScratchFile lookAlike(L"Maori.mp3");
    OpenShown();
    Drag({Files({real.Path()})});
    ASSERT_EQ(Handed().size(), 1u);
    EXPECT_TRUE(SameFile(Handed()[0], real.Path())) << Handed()[0];
    EXPECT_FALSE(SameFile(Handed()[0], lookAlike.Path())) << Handed()[0];
}

TEST_F(DropTest, ANameWithoutAShortFormIsReportedOnceAndSkipped) {
    OpenShown();
    const std::wstring missing = L"C:\\nowhere\\" + std::wstring(kCyrillicName);  // no file, so no short name
    Drag({Files({L"C:\\before.mp3", missing, L"C:\\after.mp3"})});
    EXPECT_EQ(Handed(), (Items{"C:\\before.mp3", "C:\\after.mp3"}));
    EXPECT_EQ(g_state.signInRuns, 1);
    ASSERT_EQ(g_state.boxes.size(), 1u);
    const RecordedBox& box = g_state.boxes[0];
    EXPECT_EQ(box.owner, handle);
    EXPECT_EQ(box.caption, "Parcelo");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.text, "Parcelo cannot pass the file '" + Narrow(missing) +
                            "' to the Locker because its name uses characters this system's code page cannot "
                            "show. Rename the file and drop it again.");
}

TEST_F(DropTest, ADropOfOnlyUnpassableNamesAsksForNoSignIn) {
    OpenShown();
    Drag({Files({L"C:\\nowhere\\" + std::wstring(kCyrillicName)})});
    EXPECT_EQ(g_state.boxes.size(), 1u);
    EXPECT_EQ(g_state.signInRuns, 0);
    EXPECT_TRUE(fakeAgent.calls.empty());
}

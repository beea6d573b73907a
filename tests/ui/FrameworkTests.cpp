// The window and dialog framework with real windows: binding before the first message,
// the handled flag, WM_NCDESTROY, dialog results and class registration.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/Owned.h"
#include "tests/support/WindowFacts.h"
#include "ui/DialogObject.h"
#include "ui/MessageTable.h"
#include "ui/WindowClassInfo.h"
#include "ui/WindowObject.h"

namespace {

constexpr UINT CHECK = WM_APP + 5;

WindowClassInfo& TestClass() {
    static WNDCLASSEXW data = {sizeof(WNDCLASSEXW), 0, &WindowObject::WindowBindingProcedure, 0, 0, nullptr,
                               nullptr, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr,
                               L"FrameworkTestClass", nullptr};
    static WindowClassInfo info(data, reinterpret_cast<LPCWSTR>(IDC_ARROW), true);
    return info;
}

class ProbeWindow : public WindowObject {
public:
    struct Seen {
        UINT message;
        bool handleSet;
    };

    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;
    void OnWindowGone(HWND window) override { gone = window; }

    HWND Make() {
        RECT rect = {10, 10, 110, 60};
        return Create(nullptr, rect, L"probe", WS_POPUP, 0, nullptr, TestClass().EnsureRegistered(), nullptr);
    }

    std::vector<Seen> seen;
    HWND gone = nullptr;
    int setTextRuns = 0;
    int commands = 0;
    bool createThrows = false;

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&) {
        SetWindowTextA(windowHandle, "set during WM_CREATE");
        if (createThrows) throw std::runtime_error("half made");
        return 0;
    }
    LRESULT OnSetText(UINT, WPARAM, LPARAM, bool& handled) {
        ++setTextRuns;
        handled = false;  // the default procedure stores the text as well
        return 0;
    }
    LRESULT OnCheck(UINT, WPARAM, LPARAM, bool&) { return 1234; }
    LRESULT OnSeven(WORD, WORD, HWND, bool&) { return ++commands; }
    LRESULT OnSevenCodeTwo(WORD, WORD, HWND, bool&) { return 700; }

    static const MessageEntry<ProbeWindow> TABLE[];
};

const MessageEntry<ProbeWindow> ProbeWindow::TABLE[] = {
    OnMessage<ProbeWindow>(WM_CREATE, &ProbeWindow::OnCreate),
    OnMessage<ProbeWindow>(WM_SETTEXT, &ProbeWindow::OnSetText),
    OnMessage<ProbeWindow>(CHECK, &ProbeWindow::OnCheck),
    OnCommand<ProbeWindow>(8, &ProbeWindow::OnSevenCodeTwo, 2),
    OnCommand<ProbeWindow>(7, &ProbeWindow::OnSeven),
    OnMessage<ProbeWindow>(CHECK, &ProbeWindow::OnCheck),  // never reached: the first match wins
};

bool ProbeWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                DWORD tableId) {
    seen.push_back({message, window != nullptr && window == windowHandle});
    if (tableId != 0) return false;
    return RunMessageTable(*this, TABLE, message, wParam, lParam, result);
}

}  // namespace

class Framework : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GetAppModule().Init(GetModuleHandleA(nullptr)); }
};

// A handler that clears the handled flag runs, and the default runs too.
TEST_F(Framework, TheFirstMessageAlreadyReachesTheTableWithTheHandleSetAndTheFlagIsHeard) {
    ProbeWindow probe;
    const OwnedWindow window(probe.Make());
    ASSERT_TRUE(window);
    EXPECT_EQ(probe.windowHandle, window.Get());
    ASSERT_FALSE(probe.seen.empty());
    for (const ProbeWindow::Seen& each : probe.seen) EXPECT_TRUE(each.handleSet) << each.message;
    EXPECT_EQ(TextOf(window.Get()), "set during WM_CREATE");  // the WM_CREATE handler could use its handle
    const int before = probe.setTextRuns;
    SetWindowTextA(window.Get(), "changed");
    EXPECT_EQ(probe.setTextRuns, before + 1);
    EXPECT_EQ(TextOf(window.Get()), "changed");
}

TEST_F(Framework, CommandsMatchIdAndCodeAndTheFirstEntryWins) {
    ProbeWindow probe;
    const OwnedWindow owned(probe.Make());
    HWND window = owned.Get();
    EXPECT_EQ(SendMessageA(window, CHECK, 0, 0), 1234);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(7, 1), 0), 1);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(7, 0), 0), 2);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(8, 2), 0), 700);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(8, 1), 0), 0);  // not handled: default gives 0
    EXPECT_EQ(probe.commands, 2);
}

TEST_F(Framework, NcDestroyClearsTheHandleAndTheObjectCanBindAgain) {
    ProbeWindow probe;
    HWND first = probe.Make();
    DestroyWindow(first);
    EXPECT_EQ(probe.windowHandle, nullptr);
    EXPECT_EQ(probe.gone, first);
    HWND second = probe.Make();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(probe.windowHandle, second);
    EXPECT_EQ(SendMessageA(second, CHECK, 0, 0), 1234);
    DestroyWindow(second);
}

TEST_F(Framework, ACreateHandlerThatThrowsFailsTheCreationAndNoFailureLeavesABinding) {
    ProbeWindow probe;
    probe.createThrows = true;
    EXPECT_EQ(probe.Make(), nullptr);
    EXPECT_NE(probe.gone, nullptr);  // the half-made window went away at once
    EXPECT_EQ(probe.windowHandle, nullptr);
    probe.createThrows = false;
    const OwnedWindow window(probe.Make());
    EXPECT_TRUE(window);
    // Nor does a creation that fails on its own leave a binding behind.
    RECT rect = {0, 0, 10, 10};
    EXPECT_EQ(probe.Create(nullptr, rect, L"", WS_POPUP, 0, nullptr, 0, nullptr), nullptr);  // atom 0
    EXPECT_EQ(probe.Create(HWND(0x1234), rect, L"", WS_CHILD, 0, nullptr, TestClass().EnsureRegistered(), nullptr),
              nullptr);  // no such parent
    EXPECT_EQ(GetAppModule().TakeBinding(), nullptr);
}

TEST_F(Framework, TheClassRegistersOnceAndAnExistingRegistrationIsReused) {
    const ATOM atom = TestClass().EnsureRegistered();
    EXPECT_NE(atom, 0);
    EXPECT_EQ(TestClass().EnsureRegistered(), atom);
    WNDCLASSEXW copy = TestClass().classData;
    WindowClassInfo again(copy, reinterpret_cast<LPCWSTR>(IDC_ARROW), true);  // a second record for the same class
    EXPECT_EQ(again.EnsureRegistered(), atom);
}

TEST_F(Framework, WindowsCreatedOnTwoThreadsBindToTheirOwnObjects) {
    ProbeWindow a, b;
    HWND windowA = nullptr, windowB = nullptr;
    std::thread ta([&] {
        windowA = a.Make();
        DestroyWindow(windowA);
    });
    std::thread tb([&] {
        windowB = b.Make();
        DestroyWindow(windowB);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(a.gone, windowA);
    EXPECT_EQ(b.gone, windowB);
    EXPECT_NE(windowA, nullptr);
    EXPECT_NE(windowB, nullptr);
}

namespace {

class ProbeDialog : public DialogObject {
public:
    bool HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD tableId) override;

    bool keepFocus = false;
    bool initSawHandle = false;
    int inits = 0;
    LRESULT initAnswer = -1;
    LRESULT commandAnswer = 0;
    LRESULT colorAnswer = 0;

private:
    LRESULT OnInit(UINT, WPARAM, LPARAM, bool&) {
        if (++inits == 1) PostMessageA(windowHandle, CHECK, 0, 0);
        return keepFocus ? FALSE : TRUE;
    }
    LRESULT OnCheck(UINT, WPARAM, LPARAM, bool&) {
        initAnswer = SendMessageA(windowHandle, WM_INITDIALOG, 0, 0);
        commandAnswer = SendMessageA(windowHandle, WM_COMMAND, MAKEWPARAM(42, 0), 0);
        colorAnswer = SendMessageA(windowHandle, WM_CTLCOLORSTATIC, 0, 0);
        EndDialog(windowHandle, 77);
        return 0;
    }
    LRESULT OnFortyTwo(WORD, WORD, HWND, bool&) { return 555; }
    LRESULT OnColor(UINT, WPARAM, LPARAM, bool&) { return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)); }

    static const MessageEntry<ProbeDialog> TABLE[];
};

const MessageEntry<ProbeDialog> ProbeDialog::TABLE[] = {
    OnMessage<ProbeDialog>(WM_INITDIALOG, &ProbeDialog::OnInit),
    OnMessage<ProbeDialog>(CHECK, &ProbeDialog::OnCheck),
    OnMessage<ProbeDialog>(WM_CTLCOLORSTATIC, &ProbeDialog::OnColor),
    OnCommand<ProbeDialog>(42, &ProbeDialog::OnFortyTwo),
};

bool ProbeDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD tableId) {
    if (message == WM_INITDIALOG) initSawHandle = windowHandle != nullptr;
    return tableId == 0 && RunMessageTable(*this, TABLE, message, wParam, lParam, result);
}

}  // namespace

// A missing template fails without leaving a binding; the same object then runs, and runs again.
TEST_F(Framework, DialogResultsFollowTheMessageKind) {
    ProbeDialog dialog;
    EXPECT_EQ(dialog.RunModal(12345, nullptr), -1);
    EXPECT_EQ(GetAppModule().TakeBinding(), nullptr);
    EXPECT_EQ(dialog.RunModal(900, nullptr), 77);
    EXPECT_TRUE(dialog.initSawHandle);
    EXPECT_EQ(dialog.windowHandle, nullptr);
    EXPECT_EQ(dialog.commandAnswer, 555);  // handled WM_COMMAND: its value as the message result
    EXPECT_EQ(dialog.colorAnswer, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(dialog.initAnswer, TRUE);  // WM_INITDIALOG answers with the handler's own value
    dialog.keepFocus = true;  // FALSE when the handler keeps the focus
    dialog.inits = 0;
    EXPECT_EQ(dialog.RunModal(900, nullptr), 77);
    EXPECT_EQ(dialog.initAnswer, FALSE);
}

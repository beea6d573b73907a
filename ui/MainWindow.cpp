#include "ui/MainWindow.h"

#include <shellapi.h>
#include <utility>

#include "agent/StatusTable.h"
#include "res/resource.h"
#include "ui/DisplayDpi.h"
#include "ui/HungAgentBox.h"
#include "ui/StatusText.h"
#include "ui/TrayIcon.h"
#include "ui/WindowClassInfo.h"

MainWindowSeams MainWindow::seams;

namespace {

MainWindow* g_mainWindow = nullptr;

constexpr UINT REPAINT_FLAGS = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
constexpr WPARAM DISPLAY_TOGGLE_COMMAND = MAKEWPARAM(ID_CMD_DISPLAY_TOGGLE, 1);

WindowClassInfo& DropWindowClass() {
    static WNDCLASSEXW data = {sizeof(WNDCLASSEXW), CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                               &WindowObject::WindowBindingProcedure, 0, 0, nullptr, nullptr, nullptr,
                               reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr, L"Sonavo", nullptr};
    static WindowClassInfo info(data, reinterpret_cast<LPCWSTR>(IDC_ARROW), true);  // an id, not a text
    return info;
}

}  // namespace

MainWindow* GetMainWindow() { return g_mainWindow; }

const MessageEntry<MainWindow> MainWindow::MESSAGE_TABLE[] = {
    OnMessage<MainWindow>(WM_TIMER, &MainWindow::OnTimer),
    OnMessage<MainWindow>(WM_CREATE, &MainWindow::OnCreate),
    OnMessage<MainWindow>(WM_DESTROY, &MainWindow::OnDestroy),
    OnMessage<MainWindow>(WM_PAINT, &MainWindow::OnPaint),
    OnMessage<MainWindow>(WM_PRINTCLIENT, &MainWindow::OnPrintClient),
    OnMessage<MainWindow>(WM_NCHITTEST, &MainWindow::OnNcHitTest),
    OnMessage<MainWindow>(WM_NCRBUTTONDOWN, &MainWindow::OnNcRButtonDown),
    OnMessage<MainWindow>(WM_ERASEBKGND, &MainWindow::OnEraseBackground),
    OnMessage<MainWindow>(WM_NCLBUTTONDBLCLK, &MainWindow::OnNcLButtonDoubleClick),
    OnMessage<MainWindow>(WM_SETCURSOR, &MainWindow::OnSetCursor),
    OnMessage<MainWindow>(TrayCallbackMessage, &MainWindow::OnTrayCallback),
    OnMessage<MainWindow>(DeferredStartMessage, &MainWindow::OnDeferredStart),
    OnMessage<MainWindow>(WM_INITMENUPOPUP, &MainWindow::OnInitMenuPopup),
    OnMessage<MainWindow>(WM_ENDSESSION, &MainWindow::OnEndSession),
    OnMessage<MainWindow>(HandOverMessage, &MainWindow::OnHandOver),
    OnMessage<MainWindow>(WM_CLOSE, &MainWindow::OnClose),
    OnMessage<MainWindow>(WM_DPICHANGED, &MainWindow::OnDpiChanged),
    OnMessage<MainWindow>(WM_GETOBJECT, &MainWindow::OnGetObject),
    OnMessage<MainWindow>(WM_SETTINGCHANGE, &MainWindow::OnSystemColors),
    OnMessage<MainWindow>(WM_SYSCOLORCHANGE, &MainWindow::OnSystemColors),
    OnCommand<MainWindow>(ID_CMD_SIGN_IN, &MainWindow::OnSignIn),
    OnCommand<MainWindow>(ID_CMD_SIGN_OUT, &MainWindow::OnSignOut),
    OnCommand<MainWindow>(ID_CMD_GOTO_LOCKER, &MainWindow::OnGotoLocker),
    OnCommand<MainWindow>(ID_CMD_PROXY_SETTINGS, &MainWindow::OnProxySettings),
    OnCommand<MainWindow>(ID_CMD_DISPLAY_TOGGLE, &MainWindow::OnDisplayToggle),
    OnCommand<MainWindow>(ID_CMD_EXIT, &MainWindow::OnExit),
    OnCommand<MainWindow>(ID_CMD_CONTEXT_MENU, &MainWindow::OnContextMenu),
    OnCommand<MainWindow>(ID_CMD_PASTE, &MainWindow::OnPaste),
};

MainWindow::MainWindow(StartRequests start)
    : registerOnStart(start.registerUser ? 1 : 0),
      showOnStart(start.show ? 1 : 0),
      session(*this, seams.agentFactory) {
    fileGroupDescriptorFormat = RegisterClipboardFormatW(L"FileGroupDescriptor");
    fileGroupDescriptorWFormat = RegisterClipboardFormatW(L"FileGroupDescriptorW");
    g_mainWindow = this;
    // The window is made on the primary monitor, at the lower right of its full-screen area.
    dpi = DpiOfPrimaryMonitor();
    LoadArtForDpi();
    LoadTrayIconForMonitor();
    session.WatchCalls();
}

// In this order: the icons and cursors, the agent client, the font, then what waits and the texts.
MainWindow::~MainWindow() {
    smallIcon.Reset();
    largeIcon.Reset();
    tray = TrayIcon();
    openHandCursor.Reset();
    grabHandCursor.Reset();
    session.Close();
    status.statusFont.Reset();
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

HWND MainWindow::CreateDropWindow() {
    // Exactly one skin frame at the display's scale, whatever the frame metrics.
    const LayoutSize size = ScaleToDpi(SKIN_SIZE, dpi);
    const int right = GetSystemMetrics(SM_CXFULLSCREEN), bottom = GetSystemMetrics(SM_CYFULLSCREEN);
    const RECT rect = {right - size.width, bottom - size.height, right, bottom};
    return Create(nullptr, rect, nullptr, WS_POPUP | WS_SYSMENU, WS_EX_TOPMOST, nullptr,
                  DropWindowClass().EnsureRegistered(), nullptr);
}

bool MainWindow::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, DWORD tableId) {
    if (tableId != 0) return false;
    // Registered at run time, so it cannot stand in the table.
    if (message == TrayIcon::TaskbarCreatedMessage()) {
        tray.Show();
        result = 0;
        return true;
    }
    return RunMessageTable(*this, MESSAGE_TABLE, message, wParam, lParam, result);
}

LRESULT MainWindow::OnEndSession(UINT, WPARAM ending, LPARAM, bool&) {
    // The process may end without WM_DESTROY: keep what changed during the run.
    if (ending) SaveSettings();
    return 0;
}

// The system hides a window before WM_DESTROY reaches it, so the visibility to be saved is
// read here, while it still shows what the user saw.
void MainWindow::CloseDropWindow() {
    closing = true;
    visibleAtClose = IsWindowVisible(windowHandle) ? 1 : 0;
    DestroyWindow(windowHandle);
}

LRESULT MainWindow::OnClose(UINT, WPARAM, LPARAM, bool&) {
    CloseDropWindow();
    return 0;
}

// ---- IUnknown: a plain count, one thread.

STDMETHODIMP MainWindow::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MainWindow::AddRef() { return static_cast<ULONG>(++referenceCount); }

STDMETHODIMP_(ULONG) MainWindow::Release() {
    const LONG count = --referenceCount;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

// ---- window handlers

LRESULT MainWindow::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    FitToWindowDpi();
    LoadSkinForWindow();
    status.highContrast = seams.highContrast();
    announcer.SetWindow(windowHandle);
    frameDC.Reset(CreateCompatibleDC(nullptr));
    IDropTarget* target = nullptr;
    QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target));  // kept until after the loop
    RegisterDragDrop(windowHandle, target);
    tray.SetOwner(windowHandle);
    tray.Show();
    session.SetWindow(windowHandle);
    SetTimer(windowHandle, SKIN_TIMER_ID, SKIN_TIMER_PERIOD, nullptr);
    SetWindowTextW(windowHandle, L"Parcelo");
    SendMessageW(windowHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    SendMessageW(windowHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.Get()));
    PostMessageW(windowHandle, DeferredStartMessage, 0, 0);
    return 0;
}

LRESULT MainWindow::OnDeferredStart(UINT, WPARAM, LPARAM, bool&) {
    LoadSettings();
    // The client is made here whatever the switches: its status shows from the start.
    if (session.Client() && registerOnStart == 1) session.RegisterUser();
    if (showOnStart == 1) ShowWindow(windowHandle, SW_SHOW);
    return 0;
}

LRESULT MainWindow::OnDestroy(UINT, WPARAM, LPARAM, bool&) {
    KillTimer(windowHandle, SKIN_TIMER_ID);
    session.SetWindow(nullptr);  // what has not gone yet goes with the program, as held items do
    SaveSettings();
    tray.Remove();
    RevokeDragDrop(windowHandle);
    announcer.WindowGone();
    for (OwnedBitmap& frame : skinFrames) frame.Reset();
    frameDC.Reset();
    PostQuitMessage(0);
    return 0;
}

void MainWindow::PaintContent(HDC dc) {
    SelectedObject frame(frameDC.Get(), skinFrames[frameIndex].Get());
    RECT client = {0, 0, 0, 0};
    GetClientRect(windowHandle, &client);  // the frames' size
    BitBlt(dc, 0, 0, client.right, client.bottom, frameDC.Get(), 0, 0, SRCCOPY);
    status.Draw(dc);
}

LRESULT MainWindow::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    PAINTSTRUCT paint;
    ZeroMemory(&paint, sizeof paint);
    if (HDC dc = BeginPaint(windowHandle, &paint)) PaintContent(dc);
    EndPaint(windowHandle, &paint);
    return 1;
}

// A window asked to print itself (a preview, a thumbnail, a capture) draws what it paints.
LRESULT MainWindow::OnPrintClient(UINT, WPARAM dc, LPARAM, bool&) {
    PaintContent(reinterpret_cast<HDC>(dc));
    return 0;
}

LRESULT MainWindow::OnTimer(UINT, WPARAM timer, LPARAM, bool&) {
    if (timer == TRAY_RETRY_TIMER_ID) {
        tray.Show();
        return 0;
    }
    if (timer == HAND_OVER_TIMER_ID) {
        session.RunHandOver();
        return 0;
    }
    if (timer == ANNOUNCE_TIMER_ID) {
        announcer.OnTimer();
        return 0;
    }
    if (session.AgentBusy()) {  // never creates the client
        if (++frameIndex >= SKIN_CYCLE_FRAMES) frameIndex = 0;
        RedrawWindow(windowHandle, nullptr, nullptr, REPAINT_FLAGS);
    }
    return 0;
}

LRESULT MainWindow::OnNcHitTest(UINT, WPARAM, LPARAM, bool&) { return HTCAPTION; }

LRESULT MainWindow::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT MainWindow::OnNcLButtonDoubleClick(UINT, WPARAM, LPARAM, bool&) {
    SendMessageW(windowHandle, WM_COMMAND, DISPLAY_TOGGLE_COMMAND, 0);
    return 0;
}

LRESULT MainWindow::OnSetCursor(UINT, WPARAM, LPARAM lParam, bool& handled) {
    const WORD hit = LOWORD(lParam), mouse = HIWORD(lParam);
    if (hit == HTCAPTION && mouse == WM_LBUTTONDOWN) {
        SetCursor(grabHandCursor.Get());
        return 1;
    }
    if (hit == HTCAPTION && (mouse == WM_MOUSEMOVE || mouse == WM_LBUTTONUP || mouse == WM_RBUTTONDOWN ||
                             mouse == WM_RBUTTONUP || mouse == WM_MBUTTONDOWN || mouse == WM_MBUTTONUP)) {
        SetCursor(openHandCursor.Get());
        return 1;
    }
    handled = false;
    return 0;
}

LRESULT MainWindow::OnTrayCallback(UINT, WPARAM, LPARAM lParam, bool&) {
    if (lParam == WM_LBUTTONDBLCLK) SendMessageW(windowHandle, WM_COMMAND, DISPLAY_TOGGLE_COMMAND, 0);
    else if (lParam == WM_RBUTTONDOWN) PostMessageW(windowHandle, WM_NCRBUTTONDOWN, 0, 0);
    return 0;
}

LRESULT MainWindow::OnInitMenuPopup(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT MainWindow::OnNcRButtonDown(UINT, WPARAM, LPARAM, bool&) {
    ShowContextMenu(true);
    return 0;
}

// ---- handing dropped items over

bool MainWindow::QueueHandOver(DropBatch batch) { return session.HandOver(std::move(batch)); }

LRESULT MainWindow::OnHandOver(UINT, WPARAM, LPARAM, bool&) {
    session.RunHandOver();
    return 0;
}

// ---- status lines

void MainWindow::Repaint() { RedrawWindow(windowHandle, nullptr, nullptr, REPAINT_FLAGS); }

void MainWindow::StatusChanged() {
    Repaint();
    announcer.Changed();
}

LRESULT MainWindow::OnGetObject(UINT, WPARAM flags, LPARAM objectId, bool& handled) {
    return announcer.Answer(flags, objectId, handled);
}

// High contrast switched on or off, or the colours changed; other settings leave the picture.
LRESULT MainWindow::OnSystemColors(UINT message, WPARAM, LPARAM, bool&) {
    const bool before = status.highContrast;
    status.highContrast = seams.highContrast();
    if (message == WM_SYSCOLORCHANGE || status.highContrast != before) Repaint();
    return 0;
}

void MainWindow::SetStatus(const wchar_t* line1, const wchar_t* line2) {
    status.statusLine1 = line1 ? line1 : L"";
    if (line2) status.statusLine2 = line2;
    StatusChanged();
}

void MainWindow::SetUploadingStatus(const wchar_t* fileName) {
    status.statusLine1 = UploadingText(fileName);
    StatusChanged();
}

void MainWindow::SetProgress(int percent, const int* filesToGo) {
    if (percent == -1) status.statusLine2.clear();
    else status.statusLine2 = ProgressText(percent, filesToGo);
    StatusChanged();
}

void MainWindow::ShowBusyStatus() { SetStatus(L"One moment, please...", nullptr); }

void MainWindow::ShowCannotConnectStatus() { SetStatus(L"Can't connect to Sonavo", L"Please try again"); }

int MainWindow::ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    return seams.messageBox(owner, text, caption, type);
}

// ---- an agent that does not answer

HungChoice MainWindow::AskAboutHungAgent() { return ::AskAboutHungAgent(windowHandle); }

// Posted while a call waits (the menu's Exit cannot be chosen then, but the setup posts its
// own), they would otherwise wait for the call.
bool MainWindow::ExitRequested() {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return true;
    if (!windowHandle) return false;
    if (PeekMessageW(&msg, windowHandle, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) return true;
    return PeekMessageW(&msg, windowHandle, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) &&
           LOWORD(msg.wParam) == ID_CMD_EXIT;
}

// The window's end does what Exit does (settings saved, tray icon and drop target gone);
// the process then ends, since the call below would never return.
void MainWindow::ExitNow() {
    if (windowHandle) CloseDropWindow();
    ExitProcess(0);
}

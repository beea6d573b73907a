// The drop window: it takes the drops, the commands and the paste, shows the agent side's
// state in its status lines and skin, and owns the agent side (AgentSession) and every window
// resource.
#pragma once

#include <ole2.h>
#include <ctime>

#include "agent/AgentHost.h"
#include "agent/AgentSession.h"
#include "ui/DropLayout.h"
#include "ui/MessageTable.h"
#include "ui/StatusAnnouncer.h"
#include "ui/StatusLines.h"
#include "ui/TrayIcon.h"
#include "ui/WindowObject.h"
#include "win/OwnedHandle.h"

constexpr UINT SKIN_TIMER_ID = 11;
constexpr UINT SKIN_TIMER_PERIOD = 500;
constexpr UINT DeferredStartMessage = WM_USER + 104;

// What tests replace: the parts of the platform that a test cannot drive.
// What the start switches ask of the window once it runs.
struct StartRequests {
    bool registerUser = false;  // the agent is asked to register a new user
    bool show = false;          // the window shows at once
};

struct MainWindowSeams {
    int(WINAPI* messageBox)(HWND, LPCWSTR, LPCWSTR, UINT) = &MessageBoxW;
    time_t (*clock)(time_t*) = &time;
    AgentFactory agentFactory = &CreateAgentObject;
    INT_PTR (*runSignInDialog)(HWND owner) = nullptr;  // null: the real Sign In dialog
    bool (*highContrast)() = &SystemHighContrast;  // no system lets a test switch it on
};

class MainWindow final : public WindowObject, public IDropTarget, public AgentHost, public StatusDisplay {
public:
    static MainWindowSeams seams;

    explicit MainWindow(StartRequests start = StartRequests());

    // Registers the class and creates the hidden window at the start-up rectangle.
    HWND CreateDropWindow();

    bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD tableId) override;

    // IDropTarget; its reference count is the object's life.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // AgentHost
    HWND MainWindowHandle() override { return windowHandle; }
    int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;
    int32_t Now() override { return static_cast<int32_t>(seams.clock(nullptr)); }
    StatusDisplay& Display() override { return *this; }
    int RunSignInDialog() override;
    HungChoice AskAboutHungAgent() override;
    bool ExitRequested() override;
    void ExitNow() override;
    bool Ending() override { return closing || !windowHandle; }

    // StatusDisplay: every change repaints at once.
    void SetStatus(const wchar_t* line1, const wchar_t* line2) override;
    void SetUploadingStatus(const wchar_t* fileName) override;
    void SetProgress(int percent, const int* filesToGo) override;
    void ShowBusyStatus() override;
    void ShowCannotConnectStatus() override;

    // What the window shows: the status lines, and the skin frame of the busy animation.
    const StatusLines& Status() const { return status; }
    int SkinFrame() const { return frameIndex; }
    // The agent side it owns and shows.
    AgentSession& Session() { return session; }
    const AgentSession& Session() const { return session; }

private:
    ~MainWindow();
    LRESULT OnEndSession(UINT, WPARAM ending, LPARAM, bool&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, bool&);
    void CloseDropWindow();
    void Repaint();
    // Draws the skin frame and the status lines, for the screen and for WM_PRINTCLIENT alike.
    void PaintContent(HDC dc);
    // A status line was written: it is drawn at once, and screen readers are told.
    void StatusChanged();
    // ui/MainWindowScale.cpp: the font, cursors and icons for `dpi`; the frames for the window
    // as it stands; the tray's icon when its monitor's DPI changed (true then).
    void LoadArtForDpi();
    void LoadSkinForWindow();
    bool LoadTrayIconForMonitor();
    void FitToWindowDpi();
    LRESULT OnDpiChanged(UINT, WPARAM, LPARAM, bool&);
    // ui/MainWindowSettings.cpp: read once at the deferred start (placing the window), written
    // once when the window goes.
    void LoadSettings();
    void SaveSettings();
    // ui/MainWindowCommands.cpp
    void ShowContextMenu(bool byMouse);
    UINT MenuItemState(UINT id) const;
    // Takes one drop or paste; false when it held nothing.
    bool QueueHandOver(DropBatch batch);

    LRESULT OnTimer(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPrintClient(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnNcRButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnNcLButtonDoubleClick(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnTrayCallback(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDeferredStart(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnHandOver(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetObject(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSystemColors(UINT message, WPARAM, LPARAM, bool&);
    LRESULT OnSignIn(WORD, WORD, HWND, bool&);
    LRESULT OnSignOut(WORD, WORD, HWND, bool&);
    LRESULT OnGotoLocker(WORD, WORD, HWND, bool&);
    LRESULT OnProxySettings(WORD, WORD, HWND, bool&);
    LRESULT OnDisplayToggle(WORD, WORD, HWND, bool&);
    LRESULT OnExit(WORD, WORD, HWND, bool&);
    LRESULT OnContextMenu(WORD, WORD, HWND, bool&);
    LRESULT OnPaste(WORD, WORD, HWND, bool&);

    static const MessageEntry<MainWindow> MESSAGE_TABLE[];

    // The drop target part.
    DWORD currentEffect = 0;
    UINT fileGroupDescriptorFormat = 0;
    UINT fileGroupDescriptorWFormat = 0;  // the same descriptor, wide
    LONG referenceCount = 0;

    OwnedBitmap skinFrames[SKIN_CYCLE_FRAMES];  // the client area's size, made for `dpi`
    OwnedMemoryDc frameDC;
    int frameIndex = 0;
    StatusLines status;
    StatusAnnouncer announcer{status};
    // What depends on the display: the window's DPI, the cursors and icons made for it, and the
    // tray's icon, made for the DPI of the monitor whose notification area shows it.
    UINT dpi = LOGICAL_DPI;
    OwnedCursor openHandCursor;
    OwnedCursor grabHandCursor;
    OwnedIcon smallIcon;
    OwnedIcon largeIcon;
    TrayIcon tray;
    int registerOnStart = 0;
    int showOnStart = 0;
    AgentSession session;
    bool closing = false;
    // Whether the window showed when the program closed it (1 or 0), read before the system
    // hid it on its way out; -1 until then.
    int visibleAtClose = -1;
};

MainWindow* GetMainWindow();

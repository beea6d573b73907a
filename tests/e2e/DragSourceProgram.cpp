// Another Windows program to drag from: a small window that starts a real DoDragDrop when the
// left button goes down on it, and drops where the button comes up, as Explorer or a player's
// playlist would.
//
//   e2e_drag_source.exe X Y files PATH...   offers CF_HDROP with the paths
//   e2e_drag_source.exe X Y text TEXT       offers CF_TEXT (the ANSI text)
//
// The exit code tells how the drag ended: 0x100 | effect after a drop, 0x200 | effect when it
// was cancelled, 0x300 when DoDragDrop failed, 0x400 when nobody dragged within a minute,
// 0x500 for a bad command line.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/fakes/DragSource.h"
#include "tests/support/Owned.h"

namespace {

constexpr UINT_PTR GIVE_UP_TIMER = 1;
constexpr UINT GIVE_UP_AFTER_MS = 60000;

std::vector<OfferedFormat> g_offer;
DWORD g_exitCode = 0x400;

// Drops when the button comes up, gives up on Escape: what every drag source does.
class ButtonSource final : public IDropSource {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDropSource)) return E_NOINTERFACE;
        *out = static_cast<IDropSource*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the stack of the drag
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN: {
        KillTimer(window, GIVE_UP_TIMER);
        IDataObject* data = NewDataObject(g_offer);
        ButtonSource source;
        DWORD effect = DROPEFFECT_NONE;
        const HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
        data->Release();
        if (hr == DRAGDROP_S_DROP) g_exitCode = 0x100 | (effect & 0xFF);
        else if (hr == DRAGDROP_S_CANCEL) g_exitCode = 0x200 | (effect & 0xFF);
        else g_exitCode = 0x300;
        DestroyWindow(window);
        return 0;
    }
    case WM_TIMER:
        if (wParam == GIVE_UP_TIMER) DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

std::string Narrow(const wchar_t* text) {
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(needed > 0 ? needed : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], needed, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 5) return 0x500;
    const int x = _wtoi(args[1]), y = _wtoi(args[2]);
    const std::wstring kind = args[3];
    if (kind == L"files") {
        std::vector<std::wstring> paths(args + 4, args + count);
        g_offer.push_back(Files(paths));
    } else if (kind == L"text") {
        g_offer.push_back(Text(Narrow(args[4])));
    } else {
        return 0x500;
    }
    LocalFree(args);

    const OleScope ole;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_HAND);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
    windowClass.lpszClassName = L"ParceloE2eDragSource";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"Drag me", WS_POPUP,
                                  x, y, 64, 64, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(window, GIVE_UP_TIMER, GIVE_UP_AFTER_MS, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(g_exitCode);
}

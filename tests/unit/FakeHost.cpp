#include "tests/unit/FakeHost.h"

#include "agent/UploadController.h"
#include "tests/support/Files.h"

FakeAgent* FakeHost::nextAgent = nullptr;
int FakeHost::failureCode = 1;
int FakeHost::factoryCalls = 0;

namespace {
const char CLASS[] = "ParceloTestHost";
}

FakeHost::FakeHost(AgentFactory factory) : link(*this, factory) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &FakeHost::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = CLASS;
    RegisterClassA(&wc);  // fails harmlessly when registered by an earlier host
    window = CreateWindowExA(0, CLASS, "", WS_POPUP, 0, 0, 10, 10, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    factoryCalls = 0;
}

FakeHost::~FakeHost() {
    link.Destroy();
    DestroyWindow(window);
}

int FakeHost::Factory(IDispatch** agent) {
    ++factoryCalls;
    *agent = nullptr;
    if (!nextAgent) return failureCode;
    nextAgent->AddRef();
    *agent = nextAgent;
    return 0;
}

LRESULT CALLBACK FakeHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<FakeHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host && message == WM_COMMAND) {
        host->commands.push_back(wParam);
        if (LOWORD(wParam) == LOWORD(SIGN_IN_COMMAND)) host->receiver.ShowSignInDialog();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void FakeHost::HandOver() {
    while (handOver.RunSlice(receiver, [] { return true; })) {
    }
}

int FakeHost::RunSignInDialog() {
    ++signInDialogRuns;
    if (!signInDialog) {
        deferred.ClearDeferred();  // what the dialog's Cancel does
        return IDCANCEL;
    }
    return signInDialog();
}

void FakeHost::SetStatus(const wchar_t* line1, const wchar_t* line2) {
    display.push_back("status:" + (line1 ? Utf8(line1) : "(null)") + "|" + (line2 ? Utf8(line2) : "(null)"));
}

void FakeHost::SetUploadingStatus(const wchar_t* fileName) { display.push_back("uploading:" + Utf8(fileName)); }

void FakeHost::SetProgress(int percent) { display.push_back("progress:" + std::to_string(percent)); }

std::function<int()> SignInAndConfirm(FakeHost& host, const char* user, const char* pass, int autoSignIn) {
    std::wstring u = FromUtf8(user), p = FromUtf8(pass);
    return [&host, u, p, autoSignIn] {
        host.receiver.RequestSignIn(u, p, autoSignIn, true);
        return IDOK;
    };
}

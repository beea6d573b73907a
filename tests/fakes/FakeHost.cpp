#include "tests/fakes/FakeHost.h"

#include "tests/support/Files.h"

FakeAgent* FakeHost::nextAgent = nullptr;
ConnectFailure FakeHost::failureCode = ConnectFailure::NotRegistered;
int FakeHost::factoryCalls = 0;

FakeHost::FakeHost(AgentFactory factory) : session(*this, factory) { factoryCalls = 0; }

ConnectFailure FakeHost::Factory(IDispatch** agent) {
    ++factoryCalls;
    *agent = nullptr;
    if (!nextAgent) return failureCode;
    nextAgent->AddRef();
    *agent = nextAgent;
    return ConnectFailure::None;
}

int FakeHost::RunSignInDialog() {
    ++signInDialogRuns;
    if (!signInDialog) {
        session.CancelSignIn();  // what the dialog's Cancel does
        return IDCANCEL;
    }
    return signInDialog();
}

void FakeHost::SetStatus(const wchar_t* line1, const wchar_t* line2) {
    display.push_back("status:" + (line1 ? Utf8(line1) : "(null)") + "|" + (line2 ? Utf8(line2) : "(null)"));
}

void FakeHost::SetUploadingStatus(const wchar_t* fileName) { display.push_back("uploading:" + Utf8(fileName)); }

// Files to go show as "/N" after the percentage when the agent said.
void FakeHost::SetProgress(int percent, const int* filesToGo) {
    display.push_back("progress:" + std::to_string(percent) + (filesToGo ? "/" + std::to_string(*filesToGo) : ""));
}

std::function<int()> SignInAndConfirm(FakeHost& host, const char* user, const char* pass, int autoSignIn) {
    std::wstring u = FromUtf8(user), p = FromUtf8(pass);
    return [&host, u, p, autoSignIn] {
        host.session.RequestSignIn(u, p, autoSignIn);
        return IDOK;
    };
}

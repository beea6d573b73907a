// A drop window stand-in for the agent side, with no window at all: recorders for the status
// lines, the message boxes and the Sign In dialog, and the program's own AgentSession, whose
// parts the tests of those parts reach directly.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "agent/AgentHost.h"
#include "agent/AgentSession.h"
#include "tests/fakes/AgentSessionParts.h"
#include "tests/fakes/FakeAgent.h"
#include "tests/support/BoxRecorder.h"

// Its boxes are recorded and answered as BoxRecorder says.
class FakeHost : public AgentHost, public StatusDisplay, public BoxRecorder {
public:
    explicit FakeHost(AgentFactory factory = &FakeHost::Factory);

    // The agent the next connection gets; null makes the factory fail with `failureCode`.
    static FakeAgent* nextAgent;
    static ConnectFailure failureCode;
    static int factoryCalls;

    // The owner boxes name: compared, never used as a window.
    const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x5150));
    int32_t now = 1700000000;
    std::vector<std::string> display;  // UTF-8: "status:L1|L2", "uploading:N", "progress:P", "busy", "cannot"
    std::function<int()> signInDialog;   // what the Sign In dialog does; Cancel by default
    int signInDialogRuns = 0;
    AgentSession session;
    AgentSessionParts parts{session};
    UserSettings& settings = parts.settings;
    DeferredLogin& deferred = parts.deferred;
    AgentLink& link = parts.link;
    FileReceiver& receiver = parts.receiver;
    HandOverQueue& handOver = parts.handOver;

    AgentClient* GetAgentClient() { return session.Client(); }
    // Runs the hand-over as the window does, slice after slice, until nothing is left.
    void HandOver() { session.HandOverAll(); }

    HWND MainWindowHandle() override { return window; }
    int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        return Record(owner, text, caption, type);
    }
    int32_t Now() override { return now; }
    StatusDisplay& Display() override { return *this; }
    int RunSignInDialog() override;
    // In process the agent always answers: nothing is ever put to the user or ended.
    HungChoice AskAboutHungAgent() override { return HungChoice::Wait; }
    bool ExitRequested() override { return false; }
    void ExitNow() override {}
    bool Ending() override { return false; }

    void SetStatus(const wchar_t* line1, const wchar_t* line2) override;
    void SetUploadingStatus(const wchar_t* fileName) override;
    void SetProgress(int percent, const int* filesToGo) override;
    void ShowBusyStatus() override { display.push_back("busy"); }
    void ShowCannotConnectStatus() override { display.push_back("cannot"); }

    static ConnectFailure Factory(IDispatch** agent);
};

// Sign In dialog behaviour: sign in through the session as the dialog does, then OK. UTF-8 texts.
std::function<int()> SignInAndConfirm(FakeHost& host, const char* user, const char* pass, int autoSignIn = 1);

// A drop window stand-in for the agent side, with no window at all: recorders for the status
// lines, the message boxes and the Sign In dialog, and the hand-over run when asked.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "agent/AgentHost.h"
#include "agent/AgentLink.h"
#include "agent/DeferredLogin.h"
#include "agent/FileReceiver.h"
#include "drop/HandOverQueue.h"
#include "agent/UserSettings.h"
#include "tests/support/BoxRecorder.h"
#include "tests/fakes/FakeAgent.h"

// Its boxes are recorded and answered as BoxRecorder says.
class FakeHost : public AgentHost, public StatusDisplay, public BoxRecorder {
public:
    explicit FakeHost(AgentFactory factory = &FakeHost::Factory);
    ~FakeHost() { link.Destroy(); }

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
    UserSettings settings;
    DeferredLogin deferred;
    FileReceiver receiver{*this};
    AgentLink link;
    HandOverQueue handOver;

    HWND MainWindowHandle() override { return window; }
    int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        return Record(owner, text, caption, type);
    }
    int32_t Now() override { return now; }
    StatusDisplay& Display() override { return *this; }
    int RunSignInDialog() override;
    UserSettings& Settings() override { return settings; }
    DeferredLogin& Deferred() override { return deferred; }
    FileReceiver& Receiver() override { return receiver; }
    void HandOverFirst(HeldWork work) override { handOver.PutFirst(std::move(work)); }
    // Runs the hand-over as the window does, slice after slice, until nothing is left.
    void HandOver();
    AgentClient* GetAgentClient() override { return link.Get(); }
    // In process the agent always answers: nothing is ever put to the user or ended.
    HungChoice AskAboutHungAgent() override { return HungChoice::Wait; }
    bool ExitRequested() override { return false; }
    void ExitNow() override {}
    bool Ending() override { return false; }

    void SetStatus(const wchar_t* line1, const wchar_t* line2) override;
    void SetUploadingStatus(const wchar_t* fileName) override;
    void SetProgress(int percent) override;
    void ShowBusyStatus() override { display.push_back("busy"); }
    void ShowCannotConnectStatus() override { display.push_back("cannot"); }

    static ConnectFailure Factory(IDispatch** agent);
};

// Sign In dialog behaviour: sign in through the receiver as the dialog does, then OK. UTF-8 texts.
std::function<int()> SignInAndConfirm(FakeHost& host, const char* user, const char* pass, int autoSignIn = 1);

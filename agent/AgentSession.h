// The agent side of the program: the settings it signs in with, the one agent client and the
// watch on its calls, what waits for a sign-in, and the hand-over of what was dropped. The
// window owns one and shows its state; the session reaches the window only through AgentHost.
#pragma once

#include <windows.h>
#include <string>

#include "agent/AgentClient.h"
#include "agent/AgentHost.h"
#include "agent/AgentLink.h"
#include "agent/CallWatch.h"
#include "agent/DeferredLogin.h"
#include "agent/FileReceiver.h"
#include "agent/SizeProbe.h"
#include "agent/UploadController.h"
#include "drop/HandOverQueue.h"
#include "drop/HandOverScheduler.h"
#include "settings/SettingsStore.h"
#include "settings/UserSettings.h"

class AgentSession {
public:
    AgentSession(AgentHost& host, AgentFactory factory);
    AgentSession(const AgentSession&) = delete;
    AgentSession& operator=(const AgentSession&) = delete;
    ~AgentSession() { Close(); }

    // Calls to the agent are watched from now on, from this thread's apartment.
    void WatchCalls();
    // The client goes (its agent released), then the watch: nothing is called after this.
    void Close();

    // ---- the settings: read once, written once
    const UserSettings& Settings() const { return settings_; }
    // Reads them from the registry, and gives back the window's stored place.
    StoredPlace ReadSettings();
    // Writes them, with the window's place and visibility; only after a read, and only once.
    void WriteSettings(const RECT& place, bool visible);
    // Signs in with the stored credentials, when the user asked for that.
    void SignInAutomatically();
    void SetProxy(int useProxy, const std::wstring& address);

    // ---- the agent
    // The client, created if needed; null when the agent cannot be reached (the user has been told).
    AgentClient* Client() { return link_.Get(); }
    // The client as it stands, never created here.
    AgentClient* CurrentClient() const { return link_.Current(); }
    // Between two messages of the program's outermost loop, where no replaced client can be in use.
    void ReleaseRetired() { link_.ReleaseRetired(); }
    // The agent's status says it is working: the window's animation runs. Never connects.
    bool AgentBusy() const;
    // What the menu may offer, from the client as it stands.
    bool MaySignIn() const;
    bool MaySignOut() const;
    bool MayOpenLocker() const;

    // ---- what the user asks for
    void RegisterUser();
    void OpenLocker();
    void SignOutWhenIdle();
    void ShowSignInDialog() { receiver_.ShowSignInDialog(); }
    // From the Sign In dialog: its OK, and its Cancel, which drops what waited for the sign-in.
    void RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn);
    void CancelSignIn() { deferred_.ClearDeferred(); }
    // What was held for the sign-in: items in order, and whether the Locker is to open.
    const DeferredLogin& Held() const { return deferred_; }

    // ---- the hand-over of what was dropped
    // The window that takes the hand-over's message and timer; null when it goes, and what
    // has not gone yet goes with the program, as held items do.
    void SetWindow(HWND window);
    // Takes one drop; its items go to the agent once the drop has returned. False when it held nothing.
    bool HandOver(DropBatch batch);
    // The hand-over's message or timer came.
    void RunHandOver();
    bool HandOverDone() const { return queue_.Empty(); }
    // The user leaves: what the agent refused of drops not yet done is named now.
    void ReportRefusedSoFar() { queue_.ReportRefusedSoFar(receiver_); }
    // Runs the hand-over without a window, slice after slice, until nothing is left.
    void HandOverAll();

private:
    friend struct AgentSessionParts;  // the tests of the parts reach them through it

    UserSettings settings_;
    DeferredLogin deferred_;
    HandOverQueue queue_;
    CallWatch watch_;  // before the link, so it outlives the last client's last call
    SizeProbe sizeProbe_;
    ControllerParts controllerParts_;
    AgentLink link_;
    FileReceiver receiver_;
    HandOverScheduler scheduler_;
    bool settingsRead_ = false;
    bool settingsWritten_ = false;
};

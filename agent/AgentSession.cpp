#include "agent/AgentSession.h"

#include <utility>

#include "agent/StatusTable.h"

AgentSession::AgentSession(AgentHost& host, AgentFactory factory)
    : watch_(host),
      controllerParts_{host, settings_, receiver_, sizeProbe_},
      link_(controllerParts_, factory),
      receiver_({host, link_, deferred_, settings_, scheduler_}),
      scheduler_(queue_, receiver_) {}

void AgentSession::WatchCalls() {
    watch_.Start();
    link_.SetWatch(&watch_);
}

void AgentSession::Close() {
    link_.Destroy();
    watch_.Stop();
}

StoredPlace AgentSession::ReadSettings() {
    settingsRead_ = true;
    StoredPlace place;
    ReadStoredSettings(settings_, place);
    return place;
}

void AgentSession::WriteSettings(const RECT& place, bool visible) {
    // Nothing read (a window whose creation failed): empty values would replace the stored ones.
    if (!settingsRead_ || settingsWritten_) return;
    settingsWritten_ = true;
    WriteStoredSettings(settings_, place, visible);
}

void AgentSession::SignInAutomatically() {
    if (settings_.userName.empty() || settings_.autoLogin != 1) return;
    receiver_.RequestSignIn(settings_.userName, settings_.password, 1, false);
}

void AgentSession::SetProxy(int useProxy, const std::wstring& address) {
    settings_.useProxy = useProxy;
    settings_.proxyIP = address;
}

bool AgentSession::AgentBusy() const {
    AgentClient* client = link_.Current();
    int status = 0;
    return client && SUCCEEDED(client->GetStatus(&status)) && IsBusyStatus(status);
}

bool AgentSession::MaySignIn() const {
    AgentClient* client = link_.Current();
    int toGo = -1;
    return client && SUCCEEDED(client->GetFilesToGo(&toGo)) && toGo == 0;
}

bool AgentSession::MaySignOut() const {
    AgentClient* client = link_.Current();
    int signedIn = 0;
    return client && SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn != 0 && MaySignIn();
}

bool AgentSession::MayOpenLocker() const {
    AgentClient* client = link_.Current();
    int signedIn = 0;
    return client && SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn == 1;
}

void AgentSession::RegisterUser() {
    if (AgentClient* client = link_.Get()) client->RegisterUser();
}

void AgentSession::OpenLocker() {
    if (AgentClient* client = link_.Get()) client->OpenLocker();
}

void AgentSession::SignOutWhenIdle() {
    AgentClient* client = link_.Get();
    int status = 0;
    if (client && SUCCEEDED(client->GetStatus(&status)) && status == STATUS_SIGNED_IN_IDLE) client->SignOut();
}

void AgentSession::RequestSignIn(const std::wstring& user, const std::wstring& pass, int autoSignIn) {
    receiver_.RequestSignIn(user, pass, autoSignIn, true);
}

void AgentSession::SetWindow(HWND window) {
    if (window) scheduler_.SetWindow(window);
    else scheduler_.Stop();
}

bool AgentSession::HandOver(DropBatch batch) { return scheduler_.Append(std::move(batch)); }

// A message loop inside the connection (a box it shows) must not hand items to a client that
// is not ready: they go once it is. Nor to an agent while the user is asked whether it hangs:
// every call would be turned away meanwhile.
void AgentSession::RunHandOver() { scheduler_.Run(!link_.Connecting() && !watch_.Asking()); }

void AgentSession::HandOverAll() {
    while (queue_.RunSlice(receiver_, [] { return true; })) {
    }
}

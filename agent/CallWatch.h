// Watches the program's calls to the agent, which run on the window's thread and wait in
// COM's modal loop. A call left unanswered is put to the user (wait, end the agent, exit),
// and an Exit posted meanwhile is honoured, through the message filter COM consults while
// the call waits. COM asks the filter only when a message arrives, so a thread of the
// watch's own posts one to the calling thread now and then while a call is out; with no call
// out it sleeps.
#pragma once

#include <objidl.h>

#include <atomic>
#include <cstdint>

#include "agent/HungCall.h"
#include "win/UniqueHandle.h"

class AgentHost;

class CallWatch final : public IMessageFilter {
public:
    explicit CallWatch(AgentHost& host) : host_(host) {}
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;
    ~CallWatch() { Stop(); }

    // On the thread that calls the agent, inside its apartment.
    void Start();
    void Stop();

    // Around every call to the agent. False while the agent is known not to answer: a call
    // made meanwhile (a timer's, the menu's) would only wait behind the first.
    bool Begin();
    void End();
    // Around the handling of what the agent sent: the calls out wait for the program then.
    void BeginIncoming();
    void EndIncoming();
    // The question about an unanswered call is up.
    bool Asking() const { return asking_; }

    // IMessageFilter: owned by its host, so the count is not its life.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override;
    STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override;

private:
    static DWORD WINAPI Watch(void* self);
    void Look();

    AgentHost& host_;
    DWORD threadId_ = 0;
    UniqueHandle thread_;
    UniqueHandle stop_;
    UniqueHandle callOut_;  // set while a call is out: the watch thread's cue to wake
    bool registered_ = false;
    IMessageFilter* previous_ = nullptr;
    std::atomic<bool> outstanding_{false};
    HungClock clock_;
    bool asking_ = false;
};

// The handling of one call from the agent, for the watch (none for null).
class IncomingCall {
public:
    explicit IncomingCall(CallWatch* watch) : watch_(watch) {
        if (watch_) watch_->BeginIncoming();
    }
    ~IncomingCall() {
        if (watch_) watch_->EndIncoming();
    }
    IncomingCall(const IncomingCall&) = delete;
    IncomingCall& operator=(const IncomingCall&) = delete;

private:
    CallWatch* watch_;
};

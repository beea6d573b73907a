// Watches the program's calls to the agent, which run on the window's thread and wait in
// COM's modal loop. A call left unanswered is put to the user (wait, end the agent, exit),
// and an Exit posted meanwhile is honoured, through the message filter COM consults while
// the call waits. COM asks the filter only when a message arrives, so a thread of the
// watch's own posts one to the calling thread every second while a call is out.
#pragma once

#include <objidl.h>

#include <atomic>
#include <chrono>

#include "agent/HungCall.h"
#include "agent/UniqueHandle.h"

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
    bool registered_ = false;
    IMessageFilter* previous_ = nullptr;
    std::atomic<bool> outstanding_{false};
    int depth_ = 0;
    std::chrono::steady_clock::time_point started_;
    HungWatch watch_;
    bool asking_ = false;
    bool unanswered_ = false;  // the user has been asked about the call out now
};

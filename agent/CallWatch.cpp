#include "agent/CallWatch.h"

#include "agent/AgentHost.h"
#include "agent/AgentProcess.h"

namespace {

constexpr DWORD WAKE_MS = 1000;

}  // namespace

void CallWatch::Start() {
    if (registered_) return;
    threadId_ = GetCurrentThreadId();
    registered_ = SUCCEEDED(CoRegisterMessageFilter(this, &previous_));
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (stop_.valid()) thread_.reset(CreateThread(nullptr, 0, &CallWatch::Watch, this, 0, nullptr));
}

void CallWatch::Stop() {
    if (thread_.valid()) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    if (registered_) {
        IMessageFilter* ours = nullptr;
        CoRegisterMessageFilter(previous_, &ours);
        if (previous_) previous_->Release();
        previous_ = nullptr;
        registered_ = false;
    }
}

DWORD WINAPI CallWatch::Watch(void* self) {
    auto* watch = static_cast<CallWatch*>(self);
    while (WaitForSingleObject(watch->stop_.get(), WAKE_MS) == WAIT_TIMEOUT)
        if (watch->outstanding_) PostThreadMessageW(watch->threadId_, WM_NULL, 0, 0);  // wakes MessagePending
    return 0;
}

bool CallWatch::Begin() {
    if (depth_ > 0 && unanswered_) return false;
    if (depth_++ == 0) {
        started_ = std::chrono::steady_clock::now();
        watch_ = HungWatch();
        outstanding_ = true;
    }
    return true;
}

void CallWatch::End() {
    if (depth_ == 0 || --depth_ > 0) return;
    outstanding_ = false;
    unanswered_ = false;
}

STDMETHODIMP CallWatch::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMessageFilter)) {
        *out = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(DWORD) CallWatch::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) { return SERVERCALL_ISHANDLED; }

// As without a filter: a call the agent rejects fails at once.
STDMETHODIMP_(DWORD) CallWatch::RetryRejectedCall(HTASK, DWORD, DWORD) { return static_cast<DWORD>(-1); }

STDMETHODIMP_(DWORD) CallWatch::MessagePending(HTASK, DWORD, DWORD) {
    // Nothing may unwind into COM's wait.
    try {
        if (depth_ > 0) Look();
    } catch (...) {
    }
    return PENDINGMSG_WAITDEFPROCESS;
}

void CallWatch::Look() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    // With the window gone the program is on its way out: nobody is left to ask.
    const bool leaving = host_.Ending() && elapsed.count() >= static_cast<long long>(HUNG_FIRST_ASK_MS);
    switch (NextHungStep(watch_, static_cast<uint64_t>(elapsed.count()), leaving || host_.ExitRequested(), asking_)) {
    case HungStep::Nothing: return;
    case HungStep::Exit: host_.ExitNow(); return;
    case HungStep::EndAgent: EndAgentProcesses(); return;  // the call then fails as the agent's death
    case HungStep::Ask: break;
    }
    asking_ = true;
    unanswered_ = true;
    const HungChoice choice = host_.AskAboutHungAgent();
    asking_ = false;
    // The user may have ended the program from its menu while the question was up.
    if (choice == HungChoice::Exit || host_.Ending()) host_.ExitNow();
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    TakeHungChoice(watch_, choice, static_cast<uint64_t>(now.count()));
}

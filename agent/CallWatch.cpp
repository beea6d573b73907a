#include "agent/CallWatch.h"

#include <chrono>

#include "agent/AgentHost.h"
#include "agent/AgentProcess.h"

namespace {

// Between wake-ups while a call is out: a quarter of the exit bound, so that an Exit waits
// little longer than the bound.
constexpr DWORD WAKE_MS = static_cast<DWORD>(HUNG_EXIT_AFTER_MS / 4);

uint64_t NowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace

void CallWatch::Start() {
    if (registered_) return;
    threadId_ = GetCurrentThreadId();
    registered_ = SUCCEEDED(CoRegisterMessageFilter(this, &previous_));
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    callOut_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (stop_.Valid() && callOut_.Valid())
        thread_.Reset(CreateThread(nullptr, 0, &CallWatch::Watch, this, 0, nullptr));
}

void CallWatch::Stop() {
    if (thread_.Valid()) {
        SetEvent(stop_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
        thread_.Reset();
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
    const HANDLE cues[] = {watch->stop_.Get(), watch->callOut_.Get()};
    // Asleep until a call goes out, then awake only for as long as it is out.
    while (WaitForMultipleObjects(ARRAYSIZE(cues), cues, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        if (WaitForSingleObject(watch->stop_.Get(), WAKE_MS) != WAIT_TIMEOUT) break;
        if (watch->outstanding_) PostThreadMessageW(watch->threadId_, WM_NULL, 0, 0);  // wakes MessagePending
    }
    return 0;
}

bool CallWatch::Begin() {
    if (clock_.Depth() > 0 && clock_.AnyAsked()) return false;
    clock_.BeginCall(NowMs());
    if (clock_.Depth() == 1) {
        outstanding_ = true;
        if (callOut_.Valid()) SetEvent(callOut_.Get());
    }
    return true;
}

void CallWatch::End() {
    if (clock_.Depth() == 0) return;
    clock_.EndCall(NowMs());
    if (clock_.Depth() > 0) return;
    outstanding_ = false;
    if (callOut_.Valid()) ResetEvent(callOut_.Get());
}

void CallWatch::BeginIncoming() { clock_.BeginIncoming(NowMs()); }

void CallWatch::EndIncoming() { clock_.EndIncoming(NowMs()); }

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
        if (clock_.Depth() > 0) Look();
    } catch (...) {
    }
    return PENDINGMSG_WAITDEFPROCESS;
}

void CallWatch::Look() {
    const uint64_t now = NowMs();
    // With the window gone the program is on its way out: nobody is left to ask, and a call
    // made while closing (letting go of the agent) may hold the exit only so long.
    const bool leaving = host_.Ending() && clock_.Silence(now) >= HUNG_EXIT_AFTER_MS;
    switch (clock_.Next(now, leaving || host_.ExitRequested(), asking_)) {
    case HungStep::Nothing: return;
    case HungStep::Exit: host_.ExitNow(); return;
    case HungStep::EndAgent: EndAgentProcesses(); return;  // the call then fails as the agent's death
    case HungStep::Ask: break;
    }
    const std::size_t depth = clock_.Depth();
    struct Asking {
        bool& flag;
        ~Asking() { flag = false; }  // the hand-over waits only while the question is up
    } asking{asking_ = true};
    const HungChoice choice = host_.AskAboutHungAgent();
    // The user may have ended the program from its menu while the question was up.
    if (choice == HungChoice::Exit || host_.Ending()) host_.ExitNow();
    clock_.Take(depth, choice, NowMs());
}

#include "agent/AgentClient.h"

#include <cstring>
#include <cwchar>

#include "agent/AgentProtocol.h"
#include "agent/VersionGate.h"
#include "win/ComText.h"

using namespace agentproto;

namespace {

// Passed unchanged with every sign-in and registration request, so the agent can tell
// which client asks.
const wchar_t SIGN_IN_EXTRA[] = L"Parcelo 1.0";

const HRESULT SIGN_IN_REFUSED = static_cast<HRESULT>(0x800E0000L);

// The result's type is not looked at: agents answer these with VT_I2, VT_I4 or VT_BOOL.
int LowShort(const VARIANT& v) { return static_cast<SHORT>(v.iVal); }

}  // namespace

ConnectFailure CreateAgentObject(IDispatch** agent) {
    *agent = nullptr;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(PROG_ID_W, &clsid))) return ConnectFailure::NotRegistered;
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(agent));
    if (SUCCEEDED(hr) && *agent) return ConnectFailure::None;
    // A server that ends while it is being started, before it hands over its object, leaves
    // the activation with no interface (E_NOINTERFACE under Wine; Windows says the server
    // failed to run): the next start may well go through.
    const bool cutShort = hr == E_NOINTERFACE || hr == CO_E_SERVER_EXEC_FAILURE;
    return IsAgentStoppingError(hr) || cutShort ? ConnectFailure::Stopping : ConnectFailure::NotCreated;
}

bool IsAgentGoneError(HRESULT hr) {
    return hr == AGENT_UNAVAILABLE || hr == AGENT_CALL_FAILED || hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE) ||
           hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE || hr == RPC_E_DISCONNECTED ||
           hr == CO_E_OBJNOTCONNECTED || hr == AGENT_OBJECT_CUT_OFF;
}

bool IsAgentStoppingError(HRESULT hr) { return hr == CO_E_SERVER_STOPPING || IsAgentGoneError(hr); }

AgentClient::AgentClient() : signInExtra_(SIGN_IN_EXTRA) {}

template <typename Work>
HRESULT AgentClient::Watched(Work work) {
    // While an earlier call waits unanswered, a second would only wait behind it.
    if (watch_ && !watch_->Begin()) return RPC_E_CALL_REJECTED;
    struct Watching {
        CallWatch* watch;
        ~Watching() {
            if (watch) watch->End();
        }
    } watching{watch_};
    const HRESULT hr = work();
    if (IsAgentGoneError(hr)) gone_ = true;
    return hr;
}

// Letting go of the agent calls it (the unadvise, the release of its object): both are
// watched, so an agent that does not answer holds the program's end only for the watch's bound.
AgentClient::~AgentClient() {
    if (sink_) {
        if (!gone_) Watched([&] { return sink_->Unadvise(agent_.Get()); });
        // Whatever a vanished agent still held of the sink is dropped on this side; left in
        // place, the apartment's shutdown later stumbles over it.
        CoDisconnectObject(sink_.get(), 0);
    }
    Watched([&] {
        agent_.Reset();
        return S_OK;
    });
}

void AgentClient::Notified(void (AgentClient::*handler)(int), int value) {
    const IncomingCall incoming(watch_);
    (this->*handler)(value);
}

void AgentClient::GiveUp() {
    if (sink_) sink_->Disconnect();
}

ConnectFailure AgentClient::Connect(AgentFactory factory) {
    IDispatch* created = nullptr;
    // Creating the object calls into the agent's process too: a busy one holds it like any call.
    ConnectFailure failure = ConnectFailure::NotCreated;
    Watched([&] {
        failure = factory(&created);
        return S_OK;
    });
    agent_.Reset(created);
    if (failure != ConnectFailure::None) return failure;
    if (!agent_) return ConnectFailure::NotCreated;

    const wchar_t* version = GetVersion();
    // An agent that went away while it was asked gave no version, old or new.
    if (gone_) return ConnectFailure::Stopping;
    if (!IsCompatibleVersion(version)) {
        ShowIncompatible();
        version_.reset();
        return ConnectFailure::Incompatible;
    }

    sink_ = std::make_unique<AgentEventSink>(this);
    const HRESULT advised = Watched([&] { return sink_->Advise(agent_.Get()); });
    if (gone_) return ConnectFailure::Stopping;
    if (SUCCEEDED(advised)) {
        int status = 0;
        if (SUCCEEDED(GetStatus(&status))) OnStatus(status);
    }
    return ConnectFailure::None;
}

HRESULT AgentClient::Call(DISPID id, VARIANT* args, UINT count, VARIANT* result) {
    // A retired or never-created agent is as good as a vanished one.
    if (!agent_) return CO_E_OBJNOTCONNECTED;
    DISPPARAMS params = {args, nullptr, count, 0};
    return Watched(
        [&] { return agent_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr); });
}

HRESULT AgentClient::CallWithText(DISPID id, const wchar_t* text) {
    VariantArgs<1> args;
    args.SetText(0, text);
    ScopedVariant result;
    return Call(id, args.v, 1, result.Out());
}

HRESULT AgentClient::ReadShort(DISPID id, int* value) {
    ScopedVariant result;
    const HRESULT hr = Call(id, nullptr, 0, result.Out());
    if (SUCCEEDED(hr) && value) *value = LowShort(result.Get());
    return hr;
}

HRESULT AgentClient::SignIn(const wchar_t* email, const wchar_t* password) {
    VariantArgs<3> args;  // reversed: the last declared argument comes first
    args.SetText(2, email);
    args.SetText(1, password);
    args.SetText(0, signInExtra_.c_str());
    ScopedVariant result;
    const HRESULT hr = Call(DispSignIn, args.v, 3, result.Out());
    if (FAILED(hr) || result.Get().vt != VT_I4) return DISP_E_EXCEPTION;
    return result.Get().lVal != 0 ? S_OK : SIGN_IN_REFUSED;
}

HRESULT AgentClient::IsSignedIn(int* value) { return ReadShort(DispIsSignedIn, value); }

HRESULT AgentClient::SignOut() {
    ScopedVariant arg;
    arg.Raw().vt = VT_I4;
    arg.Raw().lVal = 0;
    ScopedVariant result;
    return Call(DispSignOut, arg.Out(), 1, result.Out());
}

UploadResult UploadResultOf(HRESULT hr) {
    if (SUCCEEDED(hr)) return UploadResult::Taken;
    if (IsAgentGoneError(hr)) return UploadResult::AgentGone;
    if (hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER) return UploadResult::NotAsked;
    return UploadResult::Refused;
}

UploadResult AgentClient::Upload(const UploadItem& item, int flag) {
    VariantArgs<2> args;
    // The exact text, embedded NULs and all.
    args.v[1].vt = VT_BSTR;
    args.v[1].bstrVal = SysAllocStringLen(item.text.data(), static_cast<UINT>(item.text.size()));
    args.v[0].vt = VT_BOOL;
    args.v[0].boolVal = static_cast<VARIANT_BOOL>(flag);
    ScopedVariant result;
    return UploadResultOf(Call(DispUpload, args.v, 2, result.Out()));
}

HRESULT AgentClient::OpenLocker() {
    ScopedVariant target;  // whatever the agent leaves here is freed and ignored
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    arg.pvarVal = &target.Raw();
    ScopedVariant result;
    return SUCCEEDED(Call(DispOpenLocker, &arg, 1, result.Out())) ? S_OK : DISP_E_EXCEPTION;
}

HRESULT AgentClient::RegisterUser() { return CallWithText(DispRegisterUser, signInExtra_.c_str()); }

HRESULT AgentClient::Upgrade() {
    ScopedVariant result;
    return Call(DispUpgrade, nullptr, 0, result.Out());
}

HRESULT AgentClient::GetStatus(int* code) { return ReadShort(DispGetStatus, code); }

void AgentClient::OnProgress(int) {}
void AgentClient::OnStatus(int) {}

HRESULT AgentClient::Configure(short value) {
    ScopedVariant arg;
    arg.Raw().vt = VT_I2;
    arg.Raw().iVal = value;
    ScopedVariant result;
    return Call(DispConfigure, arg.Out(), 1, result.Out());
}

const wchar_t* AgentClient::GetVersion() {
    if (version_) return version_->c_str();
    ScopedVariant result;
    // Only a BSTR holds a text; anything else means the agent did not answer.
    if (FAILED(Call(DispGetVersion, nullptr, 0, result.Out())) || result.Get().vt != VT_BSTR) return nullptr;
    const BSTR text = result.Get().bstrVal;
    version_ = std::make_unique<std::wstring>(text ? text : L"");
    return version_->c_str();
}

void AgentClient::GetCurrentFileName(wchar_t* buffer, size_t length) {
    if (!buffer || length == 0) return;
    buffer[0] = L'\0';
    ScopedVariant result;
    if (FAILED(Call(DispGetCurrentFileName, nullptr, 0, result.Out())) || result.Get().vt != VT_BSTR) return;
    const BSTR name = result.Get().bstrVal;
    // What a C string sees: text after an embedded NUL would never be shown.
    size_t copied = name ? wcsnlen(name, SysStringLen(name)) : 0;
    if (copied > length - 1) {
        copied = length - 1;
        if (copied > 0 && IS_HIGH_SURROGATE(name[copied - 1]) && IS_LOW_SURROGATE(name[copied])) --copied;
    }
    if (copied) std::memcpy(buffer, name, copied * sizeof(wchar_t));
    buffer[copied] = L'\0';
}

HRESULT AgentClient::GetFilesToGo(int* count) { return ReadShort(DispGetFilesToGo, count); }

HRESULT AgentClient::IsUpgradeAvailable(long* value) {
    ScopedVariant result;
    const HRESULT hr = Call(DispIsUpgradeAvailable, nullptr, 0, result.Out());
    if (SUCCEEDED(hr) && value) *value = result.Get().lVal;
    return hr;
}

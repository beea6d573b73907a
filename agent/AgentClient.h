// Parcelo's side of the agent boundary: one IDispatch::Invoke per operation, with fixed
// dispatch ids and arguments, and the sink for the agent's notifications.
#pragma once

#include <oaidl.h>
#include <memory>
#include <string>

#include "agent/AgentEventSink.h"
#include "agent/CallWatch.h"
#include "drop/UploadItem.h"
#include "win/ComPtr.h"

// Why no agent could be used; the number is the failure code the user is shown.
enum class ConnectFailure {
    None = 0,
    NotRegistered = 1,  // the ProgID is not registered
    NotCreated = 2,     // the object could not be created
    Incompatible = 3,   // the agent's version is too old, or it gave none
    // The agent was going away as it was asked (its process stopping, or gone mid-way): worth
    // another try in a moment; shown as NotCreated when the tries are used up.
    Stopping = 4,
};

// Creates the agent object.
using AgentFactory = ConnectFailure (*)(IDispatch** agent);
ConnectFailure CreateAgentObject(IDispatch** agent);

// What a call answers once the agent's process has gone: before the call, while it waited.
const HRESULT AGENT_UNAVAILABLE = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
const HRESULT AGENT_CALL_FAILED = HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
// What a call answers once the agent has cut its object off on its way out (Wine answers so
// where Windows answers RPC_E_DISCONNECTED): the interface is no longer known there.
const HRESULT AGENT_OBJECT_CUT_OFF = HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF);

// Calls that fail this way mean the agent's process has gone away.
bool IsAgentGoneError(HRESULT hr);
// A creation that fails this way met an agent on its way out: a new one can start shortly.
bool IsAgentStoppingError(HRESULT hr);

// What became of an item given to Upload.
enum class UploadResult {
    Taken,
    TooBig,       // refused before the agent, after the box that says so
    SizePending,  // its size is still being read elsewhere: ask again in a moment
    AgentGone,    // the agent's process went away
    NotAsked,     // the call was turned away (the agent busy): ask again
    Refused,      // the agent failed to take it
};
// The answer of the agent's own upload call, as a result.
UploadResult UploadResultOf(HRESULT hr);

class AgentClient {
public:
    AgentClient();
    AgentClient(const AgentClient&) = delete;
    AgentClient& operator=(const AgentClient&) = delete;
    virtual ~AgentClient();

    // Creates the agent object, applies the version gate (showing the incompatible-version
    // box through ShowIncompatible), connects the sink and hands the agent's present status
    // to OnStatus.
    ConnectFailure Connect(AgentFactory factory);

    virtual HRESULT SignIn(const wchar_t* email, const wchar_t* password);
    virtual HRESULT IsSignedIn(int* value);
    virtual HRESULT SignOut();
    virtual UploadResult Upload(const UploadItem& item, int flag);
    virtual HRESULT OpenLocker();
    virtual HRESULT RegisterUser();
    virtual HRESULT Upgrade();
    virtual HRESULT GetStatus(int* code);
    virtual void OnProgress(int percent);
    virtual void OnStatus(int code);
    virtual HRESULT Configure(short value);

    // Null when the agent gave no version text.
    const wchar_t* GetVersion();
    // The name cut to length - 1 characters (never between the halves of a surrogate pair)
    // and terminated; empty when the agent does not say.
    void GetCurrentFileName(wchar_t* buffer, size_t length);
    HRESULT GetFilesToGo(int* count);
    HRESULT IsUpgradeAvailable(long* value);

    // True once a call has found the agent's process gone; the owner then replaces the client.
    bool IsGone() const { return gone_; }
    // The owner has replaced the client: no notification reaches it any more, even from an
    // agent that in fact runs on. Asks nothing of the agent.
    void GiveUp();
    DWORD SinkCookie() const { return sink_ ? sink_->Cookie() : 0; }
    // Every call from then on is watched; null for none.
    void SetWatch(CallWatch* watch) { watch_ = watch; }
    // Runs a notification's handler: the watch knows the program, not the agent, is busy then.
    void Notified(void (AgentClient::*handler)(int), int value);

protected:
    virtual void ShowIncompatible() {}

private:
    HRESULT Call(DISPID id, VARIANT* args, UINT count, VARIANT* result);
    HRESULT CallWithText(DISPID id, const wchar_t* text);
    HRESULT ReadShort(DISPID id, int* value);
    // Every call to the agent, the connection's own included, goes through here.
    template <typename Work>
    HRESULT Watched(Work work);

    ComPtr<IDispatch> agent_;
    std::unique_ptr<std::wstring> version_;
    std::wstring signInExtra_;
    std::unique_ptr<AgentEventSink> sink_;
    CallWatch* watch_ = nullptr;
    bool gone_ = false;
};

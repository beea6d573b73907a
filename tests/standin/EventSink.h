// A client-side sink that records the agent's notifications as text ("S11", "P40", "E2(3)").
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

class EventSink final : public IDispatch {
public:
    // admitEventIid false: answers only IDispatch, as a plain script sink would.
    explicit EventSink(bool admitEventIid = true) : admitEventIid_(admitEventIid) {}
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    const std::vector<std::string>& events() const { return events_; }
    std::string Joined(bool statusesOnly = false) const;  // "S12 S19 S11"
    std::string Statuses() const { return Joined(true); }
    void Clear() { events_.clear(); }
    // As the client does: each status is recorded with the name GetCurrentFileName gives the
    // sink while the notification is being delivered, "S111:a.mp3" (the path's last part).
    void AskNames(IDispatch* agent) { nameSource_ = agent; }
    bool WaitForStatus(short code, DWORD timeoutMs = 20000);

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }  // lives on the stack
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

private:
    bool admitEventIid_;
    IDispatch* nameSource_ = nullptr;
    LONG refs_ = 1;
    std::vector<std::string> events_;
};

// A test's script for one call, read from HKCU\Software\Velorex\UploadAgent\Script when
// the call arrives, so a test can change it between calls. Values are named "<dispid>.<what>".
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <string>

namespace standin {

class ScriptedCall {
public:
    explicit ScriptedCall(DISPID id);

    void Log(WORD flags, LCID lcid, const DISPPARAMS& params) const;
    // With LogAnswers set, the call again once answered, after its result: a call that the
    // process's end cut off has no such line.
    void LogAnswer(WORD flags, LCID lcid, const DISPPARAMS& params, HRESULT hr) const;
    void Delay() const;
    void FireEvents() const;
    // "N.exitafter": once the server has had that many calls with this id, it ends on its own
    // right after answering this one, as a server on its way out does: `caller` (the object
    // called) is cut off at once, the class object revoked a moment later. The value goes when
    // it acts, so the next server runs on.
    void EndAfter(IUnknown* caller) const;
    // True when the script decides the answer and the default behaviour must not run.
    bool Overrides() const { return hasHr_ || hasVt_; }
    HRESULT Answer(VARIANT* result) const;

    static bool InitialStatus(short* status);

private:
    HRESULT Fill(VARIANT* result) const;

    DISPID id_;
    bool hasHr_ = false;
    HRESULT hr_ = S_OK;
    bool hasVt_ = false;
    VARTYPE vt_ = VT_EMPTY;
    DWORD valueType_ = REG_NONE;
    ULONGLONG number_ = 0;
    std::wstring text_;
    DWORD delayMs_ = 0;
    ULONGLONG endAfter_ = 0;
    std::wstring events_;
    std::wstring logFile_;
    bool logAnswers_ = false;
};

}  // namespace standin

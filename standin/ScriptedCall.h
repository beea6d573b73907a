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
    std::wstring events_;
    std::wstring logFile_;
    bool logAnswers_ = false;
};

}  // namespace standin

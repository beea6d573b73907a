// What the agent side needs from a window: its boxes and dialogs, the status display, the
// time, the question about an agent that does not answer, and the program's exit. The drop
// window implements it; tests drive the agent side through their own host.
#pragma once

#include <windows.h>
#include <cstdint>

#include "agent/HungCall.h"

class StatusDisplay {
public:
    virtual void SetStatus(const wchar_t* line1, const wchar_t* line2) = 0;  // null line2: unchanged
    virtual void SetUploadingStatus(const wchar_t* fileName) = 0;
    // -1 clears the second line; `filesToGo` is null when the agent does not say.
    virtual void SetProgress(int percent, const int* filesToGo) = 0;
    virtual void ShowBusyStatus() = 0;
    virtual void ShowCannotConnectStatus() = 0;

protected:
    ~StatusDisplay() = default;
};

class AgentHost {
public:
    virtual HWND MainWindowHandle() = 0;
    virtual int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) = 0;
    virtual int32_t Now() = 0;
    virtual StatusDisplay& Display() = 0;
    virtual int RunSignInDialog() = 0;  // IDOK or IDCANCEL

    // A call to the agent has not been answered for long: what does the user want?
    virtual HungChoice AskAboutHungAgent() = 0;
    // An Exit, or a request to close, waits in the program's queue.
    virtual bool ExitRequested() = 0;
    // Ends the program as its Exit does, now, without waiting for a call still out.
    virtual void ExitNow() = 0;
    // The program's window is gone or going.
    virtual bool Ending() = 0;

protected:
    ~AgentHost() = default;
};

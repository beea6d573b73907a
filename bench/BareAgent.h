// The floor the upload path needs: one IDispatch on the agent and raw Invoke calls, nothing
// between the caller and the call. What Parcelo's code is measured against.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "win/ComPtr.h"

class BareAgent {
public:
    bool Create();
    // Talks to an agent that is already there instead.
    void Attach(IDispatch* agent);
    HRESULT Call(DISPID id, VARIANT* args, UINT count, VARIANT* result);
    // What the agent must hear for one item: IsSignedIn, then Upload when that answers 1.
    HRESULT UploadOne(const wchar_t* path, UINT length);

private:
    ComPtr<IDispatch> agent_;
};

// Every file of a dropped file list (CF_HDROP, wide) through UploadOne, read straight from
// the block: the bare drop.
HRESULT BareDrop(BareAgent& agent, IDataObject* data);
// Every narrow item through UploadOne: the bare replay.
void BareReplay(BareAgent& agent, const std::vector<std::string>& items);

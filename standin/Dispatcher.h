// The agent's default answer to each dispatch id: argument checks, then the behaviour.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace standin {

class Dispatcher {
public:
    static HRESULT Invoke(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argError);
    static HRESULT IdOfName(const wchar_t* name, DISPID* id);
};

}  // namespace standin

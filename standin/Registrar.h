// /RegServer and /UnregServer: the class, its ProgID, the embedded type library and the
// event interface, per user (HKCU\Software\Classes) or machine-wide (HKLM\Software\Classes).
#pragma once

#include <windows.h>

namespace standin {

class Registrar {
public:
    // scripted: COM starts the server with /scripted.
    static HRESULT Register(bool machine, bool scripted);
    static HRESULT Unregister(bool machine);

private:
    static HRESULT RegisterTypeLibrary(bool machine);
    static HRESULT UnregisterTypeLibrary(bool machine);
};

}  // namespace standin

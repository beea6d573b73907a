// /RegServer and /UnregServer: the class, its ProgID, the embedded type library and the
// event interface, per user (HKCU\Software\Classes) or machine-wide (HKLM\Software\Classes).
#pragma once

#include <windows.h>

#include <string>

namespace standin {

class Registrar {
public:
    // scripted: COM starts the server with /scripted. The server's path is written as the
    // system gives it, wide, so that COM starts it from any folder.
    static HRESULT Register(bool machine, bool scripted);
    // Fails when a key of the registration stays (no right to remove it).
    static HRESULT Unregister(bool machine);

private:
    static HRESULT RegisterTypeLibrary(bool machine, const std::wstring& exe);
    static HRESULT UnregisterTypeLibrary(bool machine);
};

}  // namespace standin

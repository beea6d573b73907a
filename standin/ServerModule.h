// Process lifetime of the local server: counts objects and server locks, and ends the
// message loop (class object revoked first) when the last one goes.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace standin {

class ServerModule {
public:
    static void SetScripted(bool scripted);
    static bool Scripted();

    static HRESULT RegisterClassObject(IUnknown* factory);
    static void RevokeClassObject();
    // True once the process has begun to exit; new objects are refused from then on.
    static bool Stopping();

    static void Lock();
    static void Unlock();
    static void Stop();
    // A server that COM started but that no client ended up using (two clients asking at
    // once can start two) would otherwise wait for ever.
    static void StopIfUnused();
};

}  // namespace standin

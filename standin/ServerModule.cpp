#include "ServerModule.h"

#include "StandinIds.h"

namespace standin {

namespace {
bool g_scripted = false;
DWORD g_cookie = 0;
bool g_stopping = false;
LONG g_locks = 0;
}  // namespace

void ServerModule::SetScripted(bool scripted) { g_scripted = scripted; }

bool ServerModule::Scripted() { return g_scripted; }

HRESULT ServerModule::RegisterClassObject(IUnknown* factory) {
    return CoRegisterClassObject(REQUEST_CLSID, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &g_cookie);
}

void ServerModule::RevokeClassObject() {
    // Without this a later CoCreateInstance would find a registration of a dead process.
    if (g_cookie) CoRevokeClassObject(g_cookie);
    g_cookie = 0;
}

bool ServerModule::Stopping() { return g_stopping; }

void ServerModule::Lock() { InterlockedIncrement(&g_locks); }

void ServerModule::Unlock() {
    if (InterlockedDecrement(&g_locks) == 0) Stop();
}

void ServerModule::Stop() {
    if (g_stopping) return;
    g_stopping = true;
    RevokeClassObject();
    PostQuitMessage(0);
}

void ServerModule::StopIfUnused() {
    if (InterlockedCompareExchange(&g_locks, 0, 0) == 0) Stop();
}

}  // namespace standin

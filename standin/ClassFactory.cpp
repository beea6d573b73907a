#include "ClassFactory.h"

#include "Request.h"
#include "ServerModule.h"

namespace standin {

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (ServerModule::Stopping()) return CO_E_SERVER_STOPPING;
    return Request::Create(riid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        ServerModule::Lock();
    else
        ServerModule::Unlock();
    return S_OK;
}

}  // namespace standin

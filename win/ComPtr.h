// Move-only owner of one COM interface reference: an owned handle whose freeing is Release.
#pragma once

#include <unknwn.h>

#include "win/OwnedHandle.h"

struct ReleaseReference {
    template <class T>
    void operator()(T* p) const {
        p->Release();
    }
};

template <class T>
class ComPtr : public OwnedHandle<T*, ReleaseReference> {
public:
    using OwnedHandle<T*, ReleaseReference>::OwnedHandle;

    // A second owner of a reference someone else holds.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }

    T* operator->() const { return this->Get(); }
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }
};

// The IUnknown of a COM object that any thread may hold: one count for the object, which its
// last Release ends. `I` is the interface it is reached through; Answers names the interface
// ids it gives out besides IUnknown (`I`'s own, unless a subclass says more).
#pragma once

#include <windows.h>
#include <unknwn.h>

template <class I>
class CountedObject : public I {
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || Answers(riid)) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&references_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

protected:
    CountedObject() = default;
    virtual ~CountedObject() = default;
    virtual bool Answers(REFIID riid) const { return IsEqualIID(riid, __uuidof(I)); }

private:
    LONG references_ = 1;  // the creator's
};

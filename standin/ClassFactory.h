// Makes request objects; registered once, multiple-use, for the whole session.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "win/CountedObject.h"

namespace standin {

// Its own references do not keep the server alive, only objects and LockServer do.
class ClassFactory final : public CountedObject<IClassFactory> {
public:
    ClassFactory() = default;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~ClassFactory() override = default;
};

}  // namespace standin

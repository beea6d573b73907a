// Where an upload's bytes come from: a local file or a web download.
#pragma once

#include <windows.h>

namespace standin {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual LONGLONG Size() const = 0;  // -1 when unknown
    // False on a read failure; *got == 0 at the end.
    virtual bool Read(BYTE* buffer, DWORD capacity, DWORD* got) = 0;
};

}  // namespace standin

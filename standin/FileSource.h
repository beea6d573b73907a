// A local file read for upload.
#pragma once

#include <string>

#include "ByteSource.h"
#include "win/UniqueHandle.h"

namespace standin {

class FileSource final : public ByteSource {
public:
    bool Open(const std::wstring& path);
    LONGLONG Size() const override { return size_; }
    bool Read(BYTE* buffer, DWORD capacity, DWORD* got) override;

private:
    UniqueHandle file_;
    LONGLONG size_ = -1;
};

}  // namespace standin

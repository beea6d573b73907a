// An http:// or https:// download, read as it arrives.
#pragma once

#include <windows.h>
#include <winhttp.h>
#include <string>

#include "ByteSource.h"

namespace standin {

class HttpSource final : public ByteSource {
public:
    HttpSource() = default;
    HttpSource(const HttpSource&) = delete;
    HttpSource& operator=(const HttpSource&) = delete;
    ~HttpSource() override;

    // False unless the server answers 200.
    bool Open(const std::wstring& url);
    LONGLONG Size() const override { return size_; }
    bool Read(BYTE* buffer, DWORD capacity, DWORD* got) override;

private:
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
    LONGLONG size_ = -1;
};

}  // namespace standin

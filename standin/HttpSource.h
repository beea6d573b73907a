// An http:// or https:// download, read as it arrives, within bounds: a time without any
// byte, a time in all, and only an audio answer.
#pragma once

#include <windows.h>
#include <winhttp.h>
#include <string>

#include "ByteSource.h"

namespace standin {

class HttpSource final : public ByteSource {
public:
    struct Limits {
        DWORD stallMs;      // longest wait for the next bytes
        DWORD totalMs;      // the whole download, from the connection on
        ULONGLONG maxBytes; // an announced length above it is refused at once
    };

    explicit HttpSource(const Limits& limits) : limits_(limits) {}
    HttpSource(const HttpSource&) = delete;
    HttpSource& operator=(const HttpSource&) = delete;
    ~HttpSource() override;

    // False unless the server answers 200 with an audio content type, in time.
    bool Open(const std::wstring& url);
    LONGLONG Size() const override { return size_; }
    // Fails once the time in all has run out or no byte came for the stall time.
    bool Read(BYTE* buffer, DWORD capacity, DWORD* got) override;

private:
    DWORD Remaining() const;

    Limits limits_;
    ULONGLONG started_ = 0;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_ = nullptr;
    LONGLONG size_ = -1;
};

}  // namespace standin

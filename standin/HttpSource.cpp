#include "HttpSource.h"

#include <cwchar>

namespace standin {

namespace {

// Older SDK headers lack it: the system's proxy as the user set it up (Windows 8.1 on).
#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif

int Timeout(DWORD ms) { return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms); }

bool IsAudioType(const wchar_t* type) { return _wcsnicmp(type, L"audio/", 6) == 0 && type[6] != L'\0'; }

}  // namespace

HttpSource::~HttpSource() {
    if (request_) WinHttpCloseHandle(request_);
    if (connection_) WinHttpCloseHandle(connection_);
    if (session_) WinHttpCloseHandle(session_);
}

DWORD HttpSource::Remaining() const {
    const ULONGLONG spent = GetTickCount64() - started_;
    return spent >= limits_.totalMs ? 0 : static_cast<DWORD>(limits_.totalMs - spent);
}

bool HttpSource::Open(const std::wstring& url) {
    started_ = GetTickCount64();
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[256] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = ARRAYSIZE(host);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return false;
    std::wstring object(parts.lpszUrlPath ? parts.lpszUrlPath : L"/", parts.lpszUrlPath ? parts.dwUrlPathLength : 1);
    if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    // Through the proxy the user set up for the system, as a browser would go; a system
    // without that kind of access falls back to the configured default.
    session_ = WinHttpOpen(L"UploadAgent/1.6.0", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session_)
        session_ = WinHttpOpen(L"UploadAgent/1.6.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session_) return false;
    const int wait = Timeout(limits_.stallMs < limits_.totalMs ? limits_.stallMs : limits_.totalMs);
    WinHttpSetTimeouts(session_, wait, wait, wait, wait);
    connection_ = WinHttpConnect(session_, host, parts.nPort, 0);
    if (!connection_) return false;
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    request_ = WinHttpOpenRequest(connection_, L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                  WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!request_) return false;
    if (!WinHttpSendRequest(request_, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request_, nullptr) || Remaining() == 0)
        return false;

    DWORD status = 0, size = sizeof(status);
    if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
        status != 200)
        return false;
    // A login page or an error page answered with 200 (also after a redirect) is no song.
    wchar_t type[128] = {};
    size = sizeof(type) - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, type, &size,
                             WINHTTP_NO_HEADER_INDEX) ||
        !IsAudioType(type))
        return false;
    wchar_t length[32] = {};
    size = sizeof(length) - sizeof(wchar_t);
    if (WinHttpQueryHeaders(request_, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length, &size,
                            WINHTTP_NO_HEADER_INDEX))
        size_ = static_cast<LONGLONG>(wcstoull(length, nullptr, 10));
    return size_ < 0 || static_cast<ULONGLONG>(size_) <= limits_.maxBytes;
}

bool HttpSource::Read(BYTE* buffer, DWORD capacity, DWORD* got) {
    *got = 0;
    // A stream that trickles on for ever still ends at the time in all.
    const DWORD remaining = Remaining();
    if (remaining == 0) return false;
    DWORD wait = remaining < limits_.stallMs ? remaining : limits_.stallMs;
    WinHttpSetOption(request_, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof(wait));
    // Asks for no more than has arrived: a read for more can wait until the buffer is full.
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request_, &available)) return false;
    if (available == 0) return true;  // the end
    return WinHttpReadData(request_, buffer, available < capacity ? available : capacity, got) != FALSE;
}

}  // namespace standin

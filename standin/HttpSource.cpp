#include "HttpSource.h"

#include <cwchar>

namespace standin {

namespace {
constexpr int TIMEOUT_MS = 15000;
}

HttpSource::~HttpSource() {
    if (request_) WinHttpCloseHandle(request_);
    if (connection_) WinHttpCloseHandle(connection_);
    if (session_) WinHttpCloseHandle(session_);
}

bool HttpSource::Open(const std::wstring& url) {
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

    // No proxy: the agent fetches what the user dropped, tests serve it on loopback.
    session_ = WinHttpOpen(L"UploadAgent/1.6.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session_) return false;
    WinHttpSetTimeouts(session_, TIMEOUT_MS, TIMEOUT_MS, TIMEOUT_MS, TIMEOUT_MS);
    connection_ = WinHttpConnect(session_, host, parts.nPort, 0);
    if (!connection_) return false;
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    request_ = WinHttpOpenRequest(connection_, L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                  WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!request_) return false;
    if (!WinHttpSendRequest(request_, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request_, nullptr))
        return false;

    DWORD status = 0, size = sizeof(status);
    if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
        status != 200)
        return false;
    wchar_t length[32] = {};
    size = sizeof(length);
    if (WinHttpQueryHeaders(request_, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length, &size,
                            WINHTTP_NO_HEADER_INDEX))
        size_ = static_cast<LONGLONG>(wcstoull(length, nullptr, 10));
    return true;
}

bool HttpSource::Read(BYTE* buffer, DWORD capacity, DWORD* got) {
    *got = 0;
    return WinHttpReadData(request_, buffer, capacity, got) != FALSE;
}

}  // namespace standin

#include "Transfer.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <memory>
#include <vector>

#include "AgentSettings.h"
#include "FileSource.h"
#include "HttpSource.h"
#include "agent/UniqueHandle.h"

namespace standin {

namespace {

constexpr short NOT_AUDIO = 121;
constexpr short LOCAL_FAILURE = 111;
constexpr short FETCH_FAILURE = 112;
constexpr short QUOTA_FULL = 113;
constexpr short NOT_MP3_URL = 114;

bool StartsWithI(const std::wstring& s, const wchar_t* prefix) {
    const size_t n = wcslen(prefix);
    return s.size() >= n && _wcsnicmp(s.c_str(), prefix, n) == 0;
}

bool EndsWithI(const std::wstring& s, const wchar_t* suffix) {
    const size_t n = wcslen(suffix);
    return s.size() >= n && _wcsicmp(s.c_str() + s.size() - n, suffix) == 0;
}

bool IsWebUrl(const std::wstring& s) { return StartsWithI(s, L"http://") || StartsWithI(s, L"https://"); }

bool IsAudioFile(const std::wstring& path) {
    static const wchar_t* const EXTENSIONS[] = {L".mp3", L".wma", L".asf", L".wav",
                                                 L".ogg", L".flac", L".m4a", L".aac"};
    for (const wchar_t* ext : EXTENSIONS)
        if (EndsWithI(path, ext)) return true;
    return false;
}

// Bytes already in the Locker, not counting a file the upload is about to replace.
ULONGLONG LockerBytes(const std::wstring& locker, const std::wstring& replaced) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((locker + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    ULONGLONG total = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (_wcsicmp(found.cFileName, replaced.c_str()) == 0 || EndsWithI(found.cFileName, L".part")) continue;
        total += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return total;
}

}  // namespace

std::wstring Transfer::NameOf(const std::wstring& source) {
    std::wstring path = source;
    const bool url = IsWebUrl(source) || StartsWithI(source, L"file://");
    if (url) path = path.substr(0, path.find_first_of(L"?#"));
    const size_t slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (url && !name.empty()) {
        std::vector<wchar_t> buffer(name.begin(), name.end());
        buffer.push_back(L'\0');
        if (SUCCEEDED(UrlUnescapeW(buffer.data(), nullptr, nullptr, URL_UNESCAPE_INPLACE))) name = buffer.data();
    }
    // A URL may carry characters a file name cannot.
    for (wchar_t& c : name)
        if (c < L' ' || wcschr(L"<>:\"/\\|?*", c)) c = L'_';
    // "…/get?track=a.mp3" ends in .mp3 but its path does not.
    if (url && !EndsWithI(name, L".mp3")) name += L".mp3";
    return name;
}

short Transfer::Run(const UploadItem& item, const Progress& progress) {
    const std::wstring& source = item.source;
    std::unique_ptr<ByteSource> input;
    short readFailure = LOCAL_FAILURE;
    if (IsWebUrl(source) || StartsWithI(source, L"file://")) {
        if (!EndsWithI(source, L".mp3")) return NOT_MP3_URL;
        readFailure = FETCH_FAILURE;
        if (IsWebUrl(source)) {
            auto web = std::make_unique<HttpSource>();
            if (!web->Open(source)) return FETCH_FAILURE;
            input = std::move(web);
        } else {
            wchar_t path[MAX_PATH * 4];
            DWORD length = ARRAYSIZE(path);
            auto file = std::make_unique<FileSource>();
            if (FAILED(PathCreateFromUrlW(source.c_str(), path, &length, 0)) || !file->Open(path))
                return FETCH_FAILURE;
            input = std::move(file);
        }
    } else {
        if (!IsAudioFile(source)) return NOT_AUDIO;
        auto file = std::make_unique<FileSource>();
        if (!file->Open(source)) return LOCAL_FAILURE;
        input = std::move(file);
    }

    const std::wstring name = NameOf(source);
    const int made = SHCreateDirectoryExW(nullptr, item.locker.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return LOCAL_FAILURE;
    const ULONGLONG used = LockerBytes(item.locker, name);
    const ULONGLONG quota = AgentSettings::QuotaBytes();
    const LONGLONG size = input->Size();
    if (size >= 0 && used + static_cast<ULONGLONG>(size) > quota) return QUOTA_FULL;

    // Written beside the target and renamed at the end, so a failed copy leaves nothing.
    const std::wstring target = item.locker + L"\\" + name;
    const std::wstring partial = target + L".part";
    UniqueHandle output(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!output.valid()) return LOCAL_FAILURE;
    auto abandon = [&](short code) {
        output.reset();
        DeleteFileW(partial.c_str());
        return code;
    };

    const DWORD pause = AgentSettings::ChunkDelayMs();
    std::vector<BYTE> chunk(CHUNK);
    ULONGLONG written = 0;
    if (!progress(size > 0 ? 0 : -1)) return abandon(CANCELLED);
    for (;;) {
        DWORD got = 0;
        if (!input->Read(chunk.data(), CHUNK, &got)) return abandon(readFailure);
        if (got == 0) break;
        written += got;
        if (used + written > quota) return abandon(QUOTA_FULL);
        DWORD put = 0;
        if (!WriteFile(output.get(), chunk.data(), got, &put, nullptr) || put != got) return abandon(LOCAL_FAILURE);
        if (pause) Sleep(pause);
        const int percent = size > 0 ? static_cast<int>(written * 100 / static_cast<ULONGLONG>(size)) : -1;
        if (!progress(percent > 100 ? 100 : percent)) return abandon(CANCELLED);
    }
    if (size >= 0 && written < static_cast<ULONGLONG>(size)) return abandon(readFailure);  // cut short
    if (size <= 0 && !progress(100)) return abandon(CANCELLED);
    output.reset();
    if (!MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return abandon(LOCAL_FAILURE);
    return DONE;
}

}  // namespace standin

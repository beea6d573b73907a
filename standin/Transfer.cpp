#include "Transfer.h"

#include <shlwapi.h>
#include <cstring>
#include <memory>
#include <vector>

#include "AgentSettings.h"
#include "FileSource.h"
#include "HttpSource.h"
#include "LockerNames.h"
#include "LongPath.h"
#include "UploadQueue.h"
#include "win/UniqueHandle.h"

namespace standin {

namespace {

constexpr short NOT_AUDIO = 121;
constexpr short LOCAL_FAILURE = 111;
constexpr short FETCH_FAILURE = 112;
constexpr short QUOTA_FULL = 113;
constexpr short NOT_MP3_URL = 114;

// A download that sends nothing for a minute, or takes ten in all, holds up the queue no longer.
constexpr DWORD STALL_MS = 60 * 1000;
constexpr DWORD TOTAL_MS = 10 * 60 * 1000;
// Enough of a file's start for every signature LooksLikeAudio knows.
constexpr size_t SIGNATURE_BYTES = 16;
// Copies " (2)" to " (n)" of one name before the Locker gives up on it.
constexpr unsigned MOST_COPIES = 9999;

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

bool IsPart(const wchar_t* name) { return EndsWithI(name, L".part"); }

// Bytes already in the Locker; unfinished copies and hidden files (the waiting queue) aside.
ULONGLONG LockerBytes(const std::wstring& locker) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((locker + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    ULONGLONG total = 0;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
        if (IsPart(found.cFileName) || StartsWithI(found.cFileName, UploadQueue::WAITING_FILE)) continue;
        total += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return total;
}

bool SameContent(const std::wstring& a, const std::wstring& b) {
    FileSource first, second;
    if (!first.Open(a) || !second.Open(b) || first.Size() != second.Size()) return false;
    std::vector<BYTE> x(Transfer::CHUNK), y(Transfer::CHUNK);
    for (;;) {
        DWORD gotX = 0, gotY = 0;
        if (!first.Read(x.data(), Transfer::CHUNK, &gotX) || !second.Read(y.data(), Transfer::CHUNK, &gotY) ||
            gotX != gotY)
            return false;
        if (gotX == 0) return true;
        if (memcmp(x.data(), y.data(), gotX) != 0) return false;
    }
}

// Gives the finished copy its name without replacing anything: a name taken by other
// content becomes "name (2)", "name (3)", ...; the same content kept already is kept once.
short Keep(const std::wstring& partial, const std::wstring& locker, const std::wstring& name) {
    for (unsigned copy = 1; copy <= MOST_COPIES; ++copy) {
        const std::wstring target = locker + L"\\" + NumberedName(name, copy);
        // Claiming the name first keeps another writer from taking it between look and move.
        UniqueHandle claim(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (claim.Valid()) {
            claim.Reset();
            if (MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return Transfer::DONE;
            DeleteFileW(target.c_str());
            return LOCAL_FAILURE;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return LOCAL_FAILURE;
        if (SameContent(target, partial)) {
            DeleteFileW(partial.c_str());
            return Transfer::DONE;
        }
    }
    return LOCAL_FAILURE;
}

// "file:///C:/..." and "file://localhost/C:/..." name this machine's disks; any other host,
// or a path that comes out as a share, a device or a network drive, would make Windows
// connect to that server with the user's credentials.
bool LocalPathOfFileUrl(const std::wstring& url, std::wstring* path) {
    const size_t hostStart = wcslen(L"file://");
    const size_t hostEnd = url.find(L'/', hostStart);
    if (hostEnd == std::wstring::npos) return false;
    const std::wstring host = url.substr(hostStart, hostEnd - hostStart);
    if (!host.empty() && _wcsicmp(host.c_str(), L"localhost") != 0) return false;
    std::vector<wchar_t> buffer(url.size() + MAX_PATH);
    DWORD length = static_cast<DWORD>(buffer.size());
    if (FAILED(PathCreateFromUrlW(url.c_str(), buffer.data(), &length, 0))) return false;
    *path = buffer.data();
    return LongPath::IsOnLocalDisk(*path);
}

// "\\.\..." and "\\?\GLOBALROOT\..." name devices, not files.
bool NamesDevice(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\.\\") == 0 || path.compare(0, 4, L"\\??\\") == 0) return true;
    if (path.compare(0, 4, L"\\\\?\\") != 0) return false;
    const std::wstring rest = path.substr(4);
    return !(rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\') && !StartsWithI(rest, L"UNC\\");
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
    const bool download = IsWebUrl(source) || StartsWithI(source, L"file://");
    if (download) {
        if (!EndsWithI(source, L".mp3")) return NOT_MP3_URL;
        readFailure = FETCH_FAILURE;
        if (IsWebUrl(source)) {
            const HttpSource::Limits limits = {AgentSettings::DownloadLimitMs(L"DownloadStallMs", STALL_MS),
                                               AgentSettings::DownloadLimitMs(L"DownloadTotalMs", TOTAL_MS),
                                               LARGEST_DOWNLOAD};
            auto web = std::make_unique<HttpSource>(limits);
            if (!web->Open(source)) return FETCH_FAILURE;
            input = std::move(web);
        } else {
            std::wstring path;
            auto file = std::make_unique<FileSource>();
            if (!LocalPathOfFileUrl(source, &path) || !file->Open(LongPath::Of(path))) return FETCH_FAILURE;
            input = std::move(file);
        }
        if (input->Size() > static_cast<LONGLONG>(LARGEST_DOWNLOAD)) return FETCH_FAILURE;
    } else {
        if (!IsAudioFile(source)) return NOT_AUDIO;
        const std::wstring path = LongPath::Of(source);
        auto file = std::make_unique<FileSource>();
        if (path.empty() || NamesDevice(path) || !file->Open(path)) return LOCAL_FAILURE;
        input = std::move(file);
    }

    const std::wstring name = FitName(EscapeReservedName(NameOf(source)));
    const std::wstring locker = LongPath::Of(item.locker);
    if (locker.empty() || !LongPath::CreateTree(locker)) return LOCAL_FAILURE;
    const ULONGLONG used = LockerBytes(locker);
    const ULONGLONG quota = AgentSettings::QuotaBytes();
    const LONGLONG size = input->Size();
    if (size >= 0 && used + static_cast<ULONGLONG>(size) > quota) return QUOTA_FULL;

    // Written beside the target and renamed at the end, so a failed copy leaves nothing.
    const std::wstring partial = locker + L"\\" + name + L".part";
    UniqueHandle output(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!output.Valid()) return LOCAL_FAILURE;
    auto abandon = [&](short code) {
        output.Reset();
        DeleteFileW(partial.c_str());
        return code;
    };

    const DWORD pause = AgentSettings::ChunkDelayMs();
    std::vector<BYTE> chunk(CHUNK);
    std::vector<BYTE> head;
    ULONGLONG written = 0;
    if (!progress(size > 0 ? 0 : -1)) return abandon(CANCELLED);
    for (;;) {
        DWORD got = 0;
        if (!input->Read(chunk.data(), CHUNK, &got)) return abandon(readFailure);
        if (got == 0) break;
        const size_t wanted = SIGNATURE_BYTES - head.size();
        head.insert(head.end(), chunk.begin(), chunk.begin() + (got < wanted ? got : wanted));
        written += got;
        if (used + written > quota) return abandon(QUOTA_FULL);
        if (download && written > LARGEST_DOWNLOAD) return abandon(FETCH_FAILURE);
        DWORD put = 0;
        if (!WriteFile(output.Get(), chunk.data(), got, &put, nullptr) || put != got) return abandon(LOCAL_FAILURE);
        if (pause) Sleep(pause);
        const int percent = size > 0 ? static_cast<int>(written * 100 / static_cast<ULONGLONG>(size)) : -1;
        if (!progress(percent > 100 ? 100 : percent)) return abandon(CANCELLED);
    }
    if (size >= 0 && written < static_cast<ULONGLONG>(size)) return abandon(readFailure);  // cut short
    // What was fetched must be a song, not a page that answered in its place.
    if (download && !LooksLikeAudio(head.data(), head.size())) return abandon(FETCH_FAILURE);
    if (size <= 0 && !progress(100)) return abandon(CANCELLED);
    output.Reset();
    const short kept = Keep(partial, locker, name);
    return kept == DONE ? DONE : abandon(kept);
}

void Transfer::RemoveLeftovers(const std::wstring& locker) {
    const std::wstring folder = LongPath::Of(locker);
    if (folder.empty()) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPart(found.cFileName))
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace standin

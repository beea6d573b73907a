#include "LongPath.h"

#include <vector>

namespace standin {

namespace {
const wchar_t LONG_PREFIX[] = L"\\\\?\\";
const wchar_t LONG_UNC_PREFIX[] = L"\\\\?\\UNC\\";

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
}  // namespace

std::wstring LongPath::Of(const std::wstring& path) {
    if (path.compare(0, 4, LONG_PREFIX) == 0) return path;
    if (path.empty()) return std::wstring();
    std::vector<wchar_t> full(MAX_PATH);
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return std::wstring();
    const std::wstring result(full.data(), length);
    if (result.compare(0, 2, L"\\\\") == 0) {
        // "\\.\device" stays as it is: the caller refuses it, it must not look like a file.
        if (result.size() > 2 && (result[2] == L'.' || result[2] == L'?')) return result;
        return LONG_UNC_PREFIX + result.substr(2);
    }
    return LONG_PREFIX + result;
}

bool LongPath::IsOnLocalDisk(const std::wstring& path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/'))
        return false;
    const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

bool LongPath::CreateTree(const std::wstring& longPath) {
    // The components after the volume's root ("\\?\C:\" or "\\?\UNC\server\share\"),
    // from the top; a folder above that exists already, or cannot be listed, is passed by.
    size_t from = 7;
    if (longPath.compare(0, 8, LONG_UNC_PREFIX) == 0) {
        const size_t server = longPath.find(L'\\', 8);
        const size_t share = server == std::wstring::npos ? server : longPath.find(L'\\', server + 1);
        if (share == std::wstring::npos) return false;
        from = share + 1;
    }
    for (size_t slash = longPath.find(L'\\', from); slash != std::wstring::npos; slash = longPath.find(L'\\', slash + 1))
        CreateDirectoryW(longPath.substr(0, slash).c_str(), nullptr);
    CreateDirectoryW(longPath.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace standin

#include "tests/support/Files.h"

#include <windows.h>

#include <algorithm>

#include "tests/support/Owned.h"

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string out(
        static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Wide(const std::string& text) { return ToWide(CP_ACP, text); }
std::string Narrow(const std::wstring& text) { return FromWide(CP_ACP, text); }
std::string Utf8(const std::wstring& text) { return FromWide(CP_UTF8, text); }
std::wstring FromUtf8(const std::string& text) { return ToWide(CP_UTF8, text); }

std::string Contents(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return "(missing)";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

std::string Contents(const std::string& path) { return Contents(Wide(path)); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.Valid() && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool WriteBytes(const std::string& path, const std::string& bytes) { return WriteBytes(Wide(path), bytes); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Exists(const std::string& path) { return Exists(Wide(path)); }

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE first = FindFirstFileW((folder + L"\\*").c_str(), &found);
    OwnedHandle<HANDLE, FreeWith<&FindClose>> search(first == INVALID_HANDLE_VALUE ? nullptr : first);
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(search.Get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

void RemoveTree(const std::string& folder) { RemoveTree(Wide(folder)); }

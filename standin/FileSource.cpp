#include "FileSource.h"

namespace standin {

bool FileSource::Open(const std::wstring& path) {
    file_.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_.Valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.Get(), &size)) return false;
    size_ = size.QuadPart;
    return true;
}

bool FileSource::Read(BYTE* buffer, DWORD capacity, DWORD* got) {
    *got = 0;
    return ReadFile(file_.Get(), buffer, capacity, got, nullptr) != FALSE;
}

}  // namespace standin

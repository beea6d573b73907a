#include "agent/SizeProbe.h"

#include <atomic>
#include <thread>

#include "agent/UniqueHandle.h"

struct SizeProbe::Job {
    explicit Job(std::wstring file) : path(std::move(file)) {}
    const std::wstring path;
    std::atomic<int> state{0};  // 0 reading, 1 read, 2 unreadable
    unsigned long long size = 0;
};

bool ReadFileSize(const std::wstring& path, unsigned long long* size) {
    // Full sharing: a size query must never stand in the way of whoever has the file open,
    // nor fail because of them and let a large file through unchecked.
    const UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file.get(), &value) || value.QuadPart < 0) return false;
    *size = static_cast<unsigned long long>(value.QuadPart);
    return true;
}

bool OnLocalFixedDrive(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) return false;
    const wchar_t letter = path[0] >= L'a' && path[0] <= L'z' ? static_cast<wchar_t>(path[0] - L'a' + L'A') : path[0];
    if (letter < L'A' || letter > L'Z') return false;
    // Asking the system costs a round trip per item; a drive's type is kept a few seconds, so
    // ten thousand dropped files ask once, and a drive mapped anew is seen soon.
    struct Known {
        UINT type = DRIVE_UNKNOWN;
        ULONGLONG until = 0;
    };
    static Known known[26];
    Known& drive = known[letter - L'A'];
    const ULONGLONG now = GetTickCount64();
    if (now >= drive.until) {
        const wchar_t root[] = {letter, L':', L'\\', L'\0'};
        drive.type = GetDriveTypeW(root);
        drive.until = now + DRIVE_TYPE_KEPT_MS;
    }
    return drive.type == DRIVE_FIXED;
}

SizeProbe::Result SizeProbe::Check(const std::wstring& path, unsigned long long* size) {
    if (!job_ || job_->path != path) {
        // The thread keeps the job alive as long as it needs it: one that hangs on a share is
        // left to finish on its own, and its answer goes nowhere.
        auto job = std::make_shared<Job>(path);
        try {
            std::thread([job] {
                unsigned long long read = 0;
                const bool ok = ReadFileSize(job->path, &read);
                job->size = read;
                job->state = ok ? 1 : 2;
            }).detach();
        } catch (...) {
            return Result::Unknown;  // no thread: the file goes unchecked, as an unreadable one does
        }
        job_ = std::move(job);
        started_ = GetTickCount64();
        return Result::Waiting;
    }
    const int state = job_->state;
    if (state == 0 && GetTickCount64() - started_ < SIZE_PROBE_LIMIT_MS) return Result::Waiting;
    const std::shared_ptr<Job> done = std::move(job_);
    if (state != 1) return Result::Unknown;
    *size = done->size;
    return Result::Known;
}

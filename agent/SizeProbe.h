// A dropped file's size, read on a thread of its own when opening it may take long (a share,
// a network, removable or optical drive): the window never waits for the network or a disk.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

constexpr ULONGLONG SIZE_PROBE_LIMIT_MS = 2000;  // a file not read by then goes unchecked
constexpr ULONGLONG DRIVE_TYPE_KEPT_MS = 5000;    // how long a drive's type is taken as known

// The size of a file, opened for no access and shared with everyone; false when it cannot
// be read (not a file, not there, no access).
bool ReadFileSize(const std::wstring& path, unsigned long long* size);
// Whether the path is on a local fixed drive, where reading its size takes no time to speak of.
bool OnLocalFixedDrive(const std::wstring& path);

class SizeProbe {
public:
    enum class Result { Waiting, Known, Unknown };

    // Reads the size of `path` on a thread: Waiting until it has been read, the time is up
    // (Unknown), or it cannot be read (Unknown). One file at a time: asking for another
    // gives up on the one before.
    Result Check(const std::wstring& path, unsigned long long* size);

private:
    struct Job;
    std::shared_ptr<Job> job_;
    ULONGLONG started_ = 0;
};

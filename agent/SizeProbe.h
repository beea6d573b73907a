// A dropped file's size, read on another thread when opening it may take long (a share, a
// network, removable or optical drive): the window never waits for the network or a disk
// longer than a quick disk takes to answer.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

constexpr ULONGLONG SIZE_PROBE_LIMIT_MS = 2000;  // a file not read by then goes unchecked
// A volume that let a file go unchecked is not asked again for this long: its other files go
// unchecked at once, instead of costing the limit and a thread each.
constexpr ULONGLONG UNANSWERED_KEPT_MS = 30000;
// How long the window waits for an answer before it moves on and asks again later: longer than
// a disk that answers like a local one takes, short enough not to be felt.
constexpr DWORD SIZE_PROBE_QUICK_MS = 10;
// Readers at most, whatever the drop: one per volume at a time.
constexpr size_t SIZE_PROBE_READERS = 4;
// A reader with nothing to read ends after this.
constexpr DWORD SIZE_PROBE_IDLE_MS = 5000;
constexpr ULONGLONG DRIVE_TYPE_KEPT_MS = 5000;  // how long a drive's type is taken as known

// The size of a file, opened for no access and shared with everyone; false when it cannot
// be read (not a file, not there, no access).
bool ReadFileSize(const std::wstring& path, unsigned long long* size);
// Whether the path is on a local fixed drive, where reading its size takes no time to speak of.
bool OnLocalFixedDrive(const std::wstring& path);

class SizeProbe {
public:
    enum class Result { Waiting, Known, Unknown };

    SizeProbe();
    ~SizeProbe();
    SizeProbe(const SizeProbe&) = delete;
    SizeProbe& operator=(const SizeProbe&) = delete;

    // Reads the size of `path` on its volume's reader: Known once read, Unknown when it cannot
    // be read or its volume does not answer in time, Waiting meanwhile (ask again). One file
    // at a time: asking for another gives up on the one before.
    Result Check(const std::wstring& path, unsigned long long* size);

private:
    struct Job;
    struct Readers;
    Result Answer(unsigned long long* size);
    bool Unanswered(const std::wstring& volume, ULONGLONG now);

    std::shared_ptr<Readers> readers_;
    std::shared_ptr<Job> job_;
    ULONGLONG started_ = 0;
    std::map<std::wstring, ULONGLONG> unansweredUntil_;  // by volume
};

#include "agent/SizeProbe.h"

#include <deque>
#include <iterator>
#include <list>
#include <thread>

#include "agent/SizeCheckPath.h"
#include "win/UniqueHandle.h"

struct SizeProbe::Job {
    Job(std::wstring file, std::wstring on) : path(std::move(file)), volume(std::move(on)) {}
    const std::wstring path;
    const std::wstring volume;
    // Under the readers' lock.
    bool queued = false;
    bool done = false;
    bool read = false;
    unsigned long long size = 0;
};

namespace {

// Holds a lock for its life, but for the time between Release and Acquire.
class Held {
public:
    explicit Held(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Held() { ReleaseSRWLockExclusive(&lock_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    void Release() { ReleaseSRWLockExclusive(&lock_); }
    void Acquire() { AcquireSRWLockExclusive(&lock_); }
    // Waits on `condition` until `done` holds, for `ms` at most; whether it holds.
    template <class Done>
    bool WaitFor(CONDITION_VARIABLE& condition, DWORD ms, Done done) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (!done()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) return false;
            SleepConditionVariableSRW(&condition, &lock_, static_cast<DWORD>(end - now), 0);
        }
        return true;
    }

private:
    SRWLOCK& lock_;
};

}  // namespace

// The reading threads and their work, shared with them: a reader that hangs on a share keeps
// it alive as long as it needs it, and its answer goes nowhere.
struct SizeProbe::Readers {
    struct Reader {
        std::wstring volume;
        std::deque<std::shared_ptr<Job>> jobs;  // in the order the window asked
        bool reading = false;
        ULONGLONG since = 0;  // when the read under way began
    };
    using Place = std::list<Reader>::iterator;

    // The system's slim lock and condition variables: each item goes to a reader and back, and
    // these are the lightest waits there are for that.
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE work = CONDITION_VARIABLE_INIT;      // a job was queued, or the probe went
    CONDITION_VARIABLE answered = CONDITION_VARIABLE_INIT;  // a job was done
    std::list<Reader> readers;
    bool closing = false;

    // The reader of `volume`: its own, an idle one, or a new one while there are fewer than the
    // most; none while all are busy with other volumes. Under the lock.
    static Reader* For(const std::shared_ptr<Readers>& self, const std::wstring& volume);
    static void Run(std::shared_ptr<Readers> self, Place me);
    // A job nobody waits for any more is not read, unless its read has begun. Under the lock.
    void Forget(const std::shared_ptr<Job>& job);
};

SizeProbe::Readers::Reader* SizeProbe::Readers::For(const std::shared_ptr<Readers>& self, const std::wstring& volume) {
    Reader* idle = nullptr;
    for (Reader& reader : self->readers) {
        if (reader.volume == volume) return &reader;
        if (!idle && !reader.reading && reader.jobs.empty()) idle = &reader;
    }
    if (idle) {
        idle->volume = volume;
        return idle;
    }
    if (self->readers.size() >= SIZE_PROBE_READERS) return nullptr;
    self->readers.emplace_back();
    const Place added = std::prev(self->readers.end());
    added->volume = volume;
    try {
        std::thread(Run, self, added).detach();
    } catch (...) {
        self->readers.erase(added);
        return nullptr;
    }
    return &*added;
}

void SizeProbe::Readers::Run(std::shared_ptr<Readers> self, Place me) {
    Held held(self->lock);
    for (;;) {
        held.WaitFor(self->work, SIZE_PROBE_IDLE_MS, [&] { return !me->jobs.empty() || self->closing; });
        if (me->jobs.empty() || self->closing) break;
        const std::shared_ptr<Job> job = std::move(me->jobs.front());
        me->jobs.pop_front();
        me->reading = true;
        me->since = GetTickCount64();
        held.Release();
        unsigned long long size = 0;
        const bool read = ReadFileSize(job->path, &size);
        held.Acquire();
        me->reading = false;
        job->done = true;
        job->read = read;
        job->size = size;
        WakeAllConditionVariable(&self->answered);
    }
    self->readers.erase(me);
}

void SizeProbe::Readers::Forget(const std::shared_ptr<Job>& job) {
    if (!job || !job->queued || job->done) return;
    for (Reader& reader : readers)
        for (auto at = reader.jobs.begin(); at != reader.jobs.end(); ++at)
            if (*at == job) {
                reader.jobs.erase(at);
                return;
            }
}

bool ReadFileSize(const std::wstring& path, unsigned long long* size) {
    // Full sharing: a size query must never stand in the way of whoever has the file open,
    // nor fail because of them and let a large file through unchecked.
    const UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file.Get(), &value) || value.QuadPart < 0) return false;
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

SizeProbe::SizeProbe() : readers_(std::make_shared<Readers>()) {}

SizeProbe::~SizeProbe() {
    const Held held(readers_->lock);
    readers_->closing = true;
    for (Readers::Reader& reader : readers_->readers) reader.jobs.clear();
    WakeAllConditionVariable(&readers_->work);
}

bool SizeProbe::Unanswered(const std::wstring& volume, ULONGLONG now) {
    const auto found = unansweredUntil_.find(volume);
    if (found == unansweredUntil_.end()) return false;
    if (now < found->second) return true;
    unansweredUntil_.erase(found);
    return false;
}

SizeProbe::Result SizeProbe::Check(const std::wstring& path, unsigned long long* size) {
    const ULONGLONG now = GetTickCount64();
    if (!job_ || job_->path != path) {
        if (job_) {
            const Held held(readers_->lock);
            readers_->Forget(job_);
            job_.reset();
        }
        const std::u16string volume = SizeCheckVolume(std::u16string(path.begin(), path.end()));
        std::wstring name(volume.begin(), volume.end());
        if (Unanswered(name, now)) return Result::Unknown;  // no thread, no wait
        try {
            job_ = std::make_shared<Job>(path, std::move(name));
        } catch (...) {
            return Result::Unknown;  // the file goes unchecked, as an unreadable one does
        }
        started_ = now;
    }
    return Answer(size);
}

SizeProbe::Result SizeProbe::Answer(unsigned long long* size) {
    Held held(readers_->lock);
    if (!job_->queued) {
        Readers::Reader* reader = Readers::For(readers_, job_->volume);
        const ULONGLONG at = GetTickCount64();  // not before the reader's own clock reading
        if (reader && reader->reading && at - reader->since >= SIZE_PROBE_LIMIT_MS) {
            // Its reader still waits for a file given up long ago: the volume has not answered.
            unansweredUntil_[job_->volume] = at + UNANSWERED_KEPT_MS;
            job_.reset();
            return Result::Unknown;
        }
        if (reader) {
            reader->jobs.push_back(job_);
            job_->queued = true;
            WakeAllConditionVariable(&readers_->work);
        }
    }
    // A disk that answers like a local one has answered by now; the window waits no longer.
    if (job_->queued)
        held.WaitFor(readers_->answered, SIZE_PROBE_QUICK_MS, [this] { return job_->done; });
    if (job_->done) {
        const std::shared_ptr<Job> done = std::move(job_);
        if (!done->read) return Result::Unknown;
        *size = done->size;
        return Result::Known;
    }
    const ULONGLONG later = GetTickCount64();
    if (later - started_ < SIZE_PROBE_LIMIT_MS) return Result::Waiting;
    // Not read in time: unchecked, and so are the volume's other files for a while. A file that
    // never found a free reader says nothing about its volume.
    if (job_->queued) unansweredUntil_[job_->volume] = later + UNANSWERED_KEPT_MS;
    readers_->Forget(job_);
    job_.reset();
    return Result::Unknown;
}

// Copies one queued item into the account's Locker folder, chunk by chunk, and says how
// it ended as the agent's status code.
#pragma once

#include <windows.h>
#include <functional>
#include <string>

namespace standin {

struct UploadItem {
    std::wstring source;  // a path or a dropped URL
    std::wstring locker;  // the account's folder
};

class Transfer {
public:
    static constexpr short DONE = 0;
    static constexpr short CANCELLED = -1;
    static constexpr DWORD CHUNK = 64 * 1024;
    // What the client lets through its own size check: a download is not let grow past it.
    static constexpr ULONGLONG LARGEST_DOWNLOAD = 25ull << 20;

    // Called after each chunk with the percentage (negative when the size is unknown);
    // returning false abandons the item.
    using Progress = std::function<bool(int percent)>;

    static short Run(const UploadItem& item, const Progress& progress);
    // Removes the ".part" files an ended process left in the Locker folder.
    static void RemoveLeftovers(const std::wstring& locker);

private:
    static std::wstring NameOf(const std::wstring& source);  // the name it gets in the Locker
};

}  // namespace standin

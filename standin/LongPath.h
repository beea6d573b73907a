// Paths in the "\\?\" form, so that a Locker path may pass MAX_PATH and a name Win32 would take
// for a device (con.mp3) is an ordinary file.
#pragma once

#include <windows.h>
#include <string>

namespace standin {

class LongPath {
public:
    // The full path as "\\?\C:\..." or "\\?\UNC\server\share\..."; a path already in that
    // form is kept; empty when the path cannot be made full.
    static std::wstring Of(const std::wstring& path);
    // A drive letter's path on a disk of this machine ("C:\..."); false for a share, a device,
    // a mapped network drive or a relative path.
    static bool IsOnLocalDisk(const std::wstring& path);
    // Creates the folder and those above it; true when it exists afterwards.
    static bool CreateTree(const std::wstring& longPath);
};

}  // namespace standin

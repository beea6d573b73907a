// Whether the Local Locker hides a real UploadAgent installed after it. The stand-in registers
// the agent's class for the user, and COM prefers that for programs with normal rights: once the
// real agent is registered for all users (or as a 32-bit program), drops would keep going into
// the local Locker folder. No windows.h here.
#pragma once

#include <string>

// The registrations of the agent's class that count, in the order they are read.
enum class ClassPlace { UserNative, MachineNative, MachineWow32, UserWow32 };

class ClassServers {
public:
    virtual ~ClassServers() = default;
    // The LocalServer32 command of the class in that place; empty when there is none.
    virtual std::wstring Command(ClassPlace place) const = 0;
    virtual bool ProgramExists(const std::wstring& path) const = 0;
};

// The command of a live registration of another server that the per-user registration of the
// Local Locker in `folder` hides; empty when the per-user registration is not that Locker's or
// nothing else is registered. Reads the per-user registration alone unless it is the Locker's.
std::wstring AgentHiddenByLocker(const ClassServers& servers, const std::wstring& folder);

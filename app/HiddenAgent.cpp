#include "app/HiddenAgent.h"

#include "agent/ServerPath.h"

std::wstring AgentHiddenByLocker(const ClassServers& servers, const std::wstring& folder) {
    if (!StartsAgentIn(servers.Command(ClassPlace::UserNative), folder)) return std::wstring();
    for (ClassPlace place : {ClassPlace::MachineNative, ClassPlace::MachineWow32, ClassPlace::UserWow32}) {
        const std::wstring command = servers.Command(place);
        const std::wstring program = ServerImagePath(command);
        // Another copy of the Locker of this folder hides nothing; a program that is gone is no agent.
        if (!program.empty() && !StartsAgentIn(command, folder) && servers.ProgramExists(program)) return command;
    }
    return std::wstring();
}

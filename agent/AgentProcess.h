// The agent's own process, for ending a hung one: only the server that the registration of
// the agent's ProgID names, running in this session as this user. Nothing else is ended.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// The full path of the registered server's program, or empty when it is not registered.
std::wstring RegisteredAgentPath();
// Ids of the processes running that program in this session as this user.
std::vector<DWORD> FindAgentProcesses();
// Ends them; true when one was ended.
bool EndAgentProcesses();

// The agent's own process, for ending a hung one: only the server that the registration of
// the agent's ProgID names, running in this session as this user. Nothing else is ended.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "win/UniqueHandle.h"

// The full path of the registered server's program, or empty when it is not registered.
std::wstring RegisteredAgentPath();
// The processes running that program (its path in long or short form) in this session as this
// user, each opened once with the rights to query, end and wait for it, and checked through that
// same handle: the process checked is the process ended, even if its id is taken meanwhile.
std::vector<UniqueHandle> FindAgentProcesses(const std::wstring& image);
// Ends what was found; true when one was ended.
bool EndProcesses(const std::vector<UniqueHandle>& found);
// Both, for the registered agent.
bool EndAgentProcesses();

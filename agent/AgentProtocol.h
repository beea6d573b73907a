// The contract between Parcelo and UploadAgent: ProgID, dispatch ids and the
// event interface id. Shared with the stand-in agent, so both sides agree.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "agent/AgentIds.h"

namespace agentproto {

constexpr const char*    PROG_ID  = "Velorex2.Request2";
constexpr const wchar_t* PROG_ID_W = L"Velorex2.Request2";

// {6131A45E-0A0F-48BC-88E7-C3697F59D219}: the agent's event dispinterface.
constexpr IID EVENT_IID = {0x6131a45e, 0x0a0f, 0x48bc, {0x88, 0xe7, 0xc3, 0x69, 0x7f, 0x59, 0xd2, 0x19}};

}  // namespace agentproto

// The contract between Parcelo and UploadAgent: ProgID, dispatch ids and the
// event interface id. Shared with the stand-in agent, so both sides agree.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace agentproto {

constexpr const char*    PROG_ID  = "Velorex2.Request2";
constexpr const wchar_t* PROG_ID_W = L"Velorex2.Request2";

// Dispatch ids on the request object.
enum MethodId : DISPID {
    DispUpload             = 1,
    DispSignIn             = 2,
    DispOpenLocker         = 3,
    DispSignOut            = 4,
    DispIsSignedIn         = 12,
    DispGetVersion         = 13,
    DispConfigure          = 14,
    DispGetStatus          = 15,
    DispGetCurrentFileName = 17,
    DispGetFilesToGo       = 18,
    DispRegisterUser       = 21,
    DispIsUpgradeAvailable = 22,
    DispUpgrade            = 24,
};

// Dispatch ids on the event interface; each carries one VT_I2.
enum EventId : DISPID {
    EventProgress = 1,
    EventStatus   = 2,
};

// {6131A45E-0A0F-48BC-88E7-C3697F59D219}: the agent's event dispinterface.
constexpr IID EVENT_IID = {0x6131a45e, 0x0a0f, 0x48bc, {0x88, 0xe7, 0xc3, 0x69, 0x7f, 0x59, 0xd2, 0x19}};

}  // namespace agentproto

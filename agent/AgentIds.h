// The numbers of the contract between Parcelo and UploadAgent: the dispatch ids of its
// request object and of its two notifications. No windows.h here, so that the window-free
// checks use the very same numbers.
#pragma once

namespace agentproto {

// Dispatch ids on the request object.
enum MethodId : long {
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
enum EventId : long {
    EventProgress = 1,
    EventStatus   = 2,
};

}  // namespace agentproto

// The event sink's checks on an incoming notification, in the order the agent sees their
// answers. No windows.h here.
#pragma once

#include "agent/AgentIds.h"

enum class NotificationVerdict {
    NoParameters,   // DISP_E_PARAMNOTFOUND
    UnknownMember,  // DISP_E_MEMBERNOTFOUND
    BadCount,       // DISP_E_BADPARAMCOUNT
    BadType,        // DISP_E_TYPEMISMATCH
    Progress,       // forward to OnProgress
    Status,         // forward to OnStatus
};

constexpr unsigned short SHORT_VAR_TYPE = 2;  // VT_I2, the one type a notification carries

NotificationVerdict CheckNotification(bool hasParameters, long dispatchId, unsigned argumentCount,
                                      unsigned short argumentType);

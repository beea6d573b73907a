// The event sink's checks on an incoming notification, in the order the agent sees their
// answers. No windows.h here.
#pragma once

enum class NotificationVerdict {
    NoParameters,   // DISP_E_PARAMNOTFOUND
    UnknownMember,  // DISP_E_MEMBERNOTFOUND
    BadCount,       // DISP_E_BADPARAMCOUNT
    BadType,        // DISP_E_TYPEMISMATCH
    Progress,       // forward to OnProgress
    Status,         // forward to OnStatus
};

constexpr long NOTIFY_PROGRESS_ID = 1;
constexpr long NOTIFY_STATUS_ID   = 2;
constexpr unsigned short SHORT_VAR_TYPE = 2;  // VT_I2

NotificationVerdict CheckNotification(bool hasParameters, long dispatchId, unsigned argumentCount,
                                      unsigned short argumentType);

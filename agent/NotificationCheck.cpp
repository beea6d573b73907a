#include "agent/NotificationCheck.h"

NotificationVerdict CheckNotification(bool hasParameters, long dispatchId, unsigned argumentCount,
                                      unsigned short argumentType) {
    if (!hasParameters) return NotificationVerdict::NoParameters;
    if (dispatchId != kNotifyProgressId && dispatchId != kNotifyStatusId)
        return NotificationVerdict::UnknownMember;
    if (argumentCount != 1) return NotificationVerdict::BadCount;
    if (argumentType != kShortVarType) return NotificationVerdict::BadType;
    return dispatchId == kNotifyProgressId ? NotificationVerdict::Progress : NotificationVerdict::Status;
}

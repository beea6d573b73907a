#include "agent/NotificationCheck.h"

NotificationVerdict CheckNotification(bool hasParameters, long dispatchId, unsigned argumentCount,
                                      unsigned short argumentType) {
    if (!hasParameters) return NotificationVerdict::NoParameters;
    if (dispatchId != NOTIFY_PROGRESS_ID && dispatchId != NOTIFY_STATUS_ID)
        return NotificationVerdict::UnknownMember;
    if (argumentCount != 1) return NotificationVerdict::BadCount;
    if (argumentType != SHORT_VAR_TYPE) return NotificationVerdict::BadType;
    return dispatchId == NOTIFY_PROGRESS_ID ? NotificationVerdict::Progress : NotificationVerdict::Status;
}

#include "agent/NotificationCheck.h"

NotificationVerdict CheckNotification(bool hasParameters, long dispatchId, unsigned argumentCount,
                                      unsigned short argumentType) {
    if (!hasParameters) return NotificationVerdict::NoParameters;
    if (dispatchId != agentproto::EventProgress && dispatchId != agentproto::EventStatus)
        return NotificationVerdict::UnknownMember;
    if (argumentCount != 1) return NotificationVerdict::BadCount;
    if (argumentType != SHORT_VAR_TYPE) return NotificationVerdict::BadType;
    return dispatchId == agentproto::EventProgress ? NotificationVerdict::Progress : NotificationVerdict::Status;
}

#include "agent/UpgradeReminder.h"

bool IsReminderDue(int32_t remindTime, int32_t now) {
    return static_cast<int64_t>(remindTime) + REMINDER_PERIOD_SECONDS < static_cast<int64_t>(now);
}

#include "agent/UpgradeReminder.h"

bool IsReminderDue(int32_t remindTime, int32_t now) {
    return static_cast<int64_t>(remindTime) + kReminderPeriodSeconds < static_cast<int64_t>(now);
}

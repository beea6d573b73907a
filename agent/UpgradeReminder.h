// When the weekly upgrade reminder is due. No windows.h here.
#pragma once

#include <cstdint>

constexpr int64_t REMINDER_PERIOD_SECONDS = 604800;  // 7 days

// Computed in 64 bits: a stored time near the end of the 32-bit range must not wrap
// around and make the reminder due at once.
bool IsReminderDue(int32_t remindTime, int32_t now);

// Windows' own switch for a program's start at sign-in: Task Manager and Settings leave the
// Run value in place and write a mark of their own beside it
// (HKCU\...\Explorer\StartupApproved\Run, a binary value of the same name). No windows.h here.
#pragma once

#include <vector>

namespace setup {

// Whether the mark's bytes say "off": its first byte odd (2 and 6 are "on", 3 and 7 "off").
// No mark, or one too short to tell, leaves the Run value in charge.
bool MarkTurnsStartOff(const std::vector<unsigned char>& mark);

}  // namespace setup

// Paths and file names as Windows compares them, and the file a process was started from.
#pragma once

#include <windows.h>
#include <string>

// Ordinal and without case, as the file system matches names (also for class names and
// commands written into the registry).
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);

// The full path of the file the process runs, whatever its length; empty when it cannot be read.
std::wstring ProcessImagePath(HANDLE process);
// The same for this process, whatever characters its folder has.
std::wstring OwnImagePath();

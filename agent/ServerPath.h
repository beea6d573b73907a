// The program a local server's registration starts. No windows.h here.
#pragma once

#include <string>

// The executable of a LocalServer32 command line: the quoted part when it starts with a
// quote, else up to and with the first ".exe" that ends a word, else up to the first blank.
// Empty when there is none.
std::wstring ServerImagePath(const std::wstring& commandLine);

// File names compared as Windows compares them for the folders it names: ASCII letters without
// case, a slash as a backslash.
bool SameFileName(const std::wstring& a, const std::wstring& b);
// Whether the command starts <folder>\UploadAgent.exe, the Local Locker of that folder.
bool StartsAgentIn(const std::wstring& command, const std::wstring& folder);

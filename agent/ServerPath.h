// The program a local server's registration starts. No windows.h here.
#pragma once

#include <string>

// The executable of a LocalServer32 command line: the quoted part when it starts with a
// quote, else up to and with the first ".exe" that ends a word, else up to the first blank.
// Empty when there is none.
std::wstring ServerImagePath(const std::wstring& commandLine);

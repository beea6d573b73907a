// Files a test makes, reads and removes, by narrow (code page) or wide path, and the Windows
// name of a path on this machine's own file system.
#pragma once

#include <string>

// "Z:\..." for a path of this machine's file system.
std::string WindowsPath(const std::string& unixPath);
// This process's temporary folder, with its closing backslash.
std::string TempFolder();

// The test prefix's drives onto local folders, which answer as fast as the fixed drive
// (LOCAL_DRIVES in scripts/common.sh), and its drives whose look-ups never answer, a network,
// a removable and a CD drive onto the share that scripts/windows-tests.sh mounts
// (UNANSWERED_DRIVES there).
constexpr wchar_t NETWORK_DRIVE[] = L"N:\\";
constexpr wchar_t REMOVABLE_DRIVE[] = L"R:\\";
constexpr wchar_t CD_DRIVE[] = L"O:\\";
constexpr wchar_t UNANSWERED_DRIVE[] = L"M:\\";
constexpr wchar_t UNANSWERED_REMOVABLE_DRIVE[] = L"U:\\";
constexpr wchar_t UNANSWERED_CD_DRIVE[] = L"V:\\";

// The bytes, or "(missing)" when the file cannot be opened.
std::string Contents(const std::string& path);
std::string Contents(const std::wstring& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::string& path);
bool Exists(const std::wstring& path);
// The folder with everything in it.
void RemoveTree(const std::string& folder);
void RemoveTree(const std::wstring& folder);

std::wstring Wide(const std::string& text);  // code page to UTF-16
std::string Narrow(const std::wstring& text);  // UTF-16 to the code page, as the A functions give it
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

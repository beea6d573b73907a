// The texts of the two status lines. No windows.h here.
#pragma once

#include <string>

// Characters of a file name the uploading line shows at most.
constexpr std::size_t UPLOADING_TAIL = 10;

// "Uploading <name>" for names of up to 10 characters, else "Uploading ..." and the last 10.
// A character is a Unicode code point: the two halves of a surrogate pair count as one and
// are never parted.
std::wstring UploadingText(const wchar_t* fileName);
// "40% done (3 to go)"; without a count (the agent could not say) the count is left out.
std::wstring ProgressText(int percent, const int* filesToGo);
// What a reader of the window is told a line says: what DrawText shows of it without
// DT_NOPREFIX or DT_SINGLELINE, i.e. its first line, with "&&" as "&" and the mnemonic
// ampersands (drawn as an underline) left out.
std::wstring DrawnText(const std::wstring& line);

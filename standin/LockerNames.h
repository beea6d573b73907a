// Names the Locker gives what it keeps: a file name or an account's folder must stay an
// ordinary file on every Windows (no device), fit the file system, and a name already taken
// gets " (2)", " (3)", ... Plain functions, no window or file system behind them.
#pragma once

#include <cstddef>
#include <string>

namespace standin {

// Longest Locker file name in characters, leaving room for " (nnnn)" and ".part" below the
// file system's 255.
constexpr size_t LONGEST_LOCKER_NAME = 240;

// A base name that Win32 takes for a device (con, aux, nul, com1, lpt1, ..., also with an
// extension, as in "con.smith@example.com") gets a '#' after it; '#' is never part of an
// address, so two accounts cannot meet in one folder.
std::wstring EscapeReservedName(const std::wstring& name);

// The name cut to LONGEST_LOCKER_NAME, its extension kept.
std::wstring FitName(const std::wstring& name);

// copy 1 is the name itself; copy n > 1 is "<stem> (n)<extension>".
std::wstring NumberedName(const std::wstring& name, unsigned copy);

// True when the first bytes are those of an audio file: an ID3 tag or an MPEG audio frame
// (MP3, AAC), or the signature of Ogg, FLAC, RIFF/WAVE, ASF or an MP4 container.
bool LooksLikeAudio(const unsigned char* data, size_t size);

}  // namespace standin

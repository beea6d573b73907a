// Which dropped items the size check may open. No windows.h here.
#pragma once

#include <string>

// A file on a local drive ("X:\..."), or a share path ("\\server\share\...") that came in a
// file list, so the user dragged that very file. Never a text naming a share (opening it
// would hand the user's sign-in to whatever host the text names), and never a device or a
// pipe: "\\.\...", "\\?\...", a name Windows reads as a device (CON, NUL, COM1, ...), or the
// pipe and mailslot shares of any server ("\\host\pipe\...", "\\*\mailslot\...").
bool MayOpenForSizeCheck(const std::u16string& path, bool fromFileList);

// The volume a path's size is read from, so that one that does not answer is told apart from
// the others: "X:" for a drive, "\\SERVER" for a share (upper case: both are named in any
// case), empty for a path of neither kind.
std::u16string SizeCheckVolume(const std::u16string& path);

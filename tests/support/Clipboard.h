// The clipboard as another program fills it.
#pragma once

#include <windows.h>

#include <cstddef>

// The clipboard's contents replaced by one format's bytes, owned by a window of this process;
// nothing at all when `size` is 0. False when the clipboard could not be had.
bool PutOnClipboard(UINT format, const void* bytes, std::size_t size);

// A data object read the way a drop reads it, whether it was dragged or pasted: the first row
// of the format table that it offers and whose data can be fetched.
#pragma once

#include <ole2.h>

#include "drop/DropFormats.h"
#include "drop/HandOverQueue.h"

// Fills `batch` from the first usable row; `effect` gets that row's effect, or
// DROPEFFECT_NONE with E_FAIL when no row is usable.
HRESULT ReadDataObject(IDataObject* data, const DropFormat* table, DropBatch& batch, DWORD& effect);
// The same for what the clipboard holds; E_FAIL also when it cannot be opened.
HRESULT ReadClipboard(const DropFormat* table, DropBatch& batch);

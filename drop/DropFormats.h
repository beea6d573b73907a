// Which dragged formats the drop window takes, in order of preference, and how each is
// taken from a drop.
#pragma once

#include <ole2.h>

#include "drop/HandOverQueue.h"

// Fetches the data and copies it into `batch`; the source is released as soon as it returns.
using DropHandler = HRESULT (*)(IDataObject* data, DropBatch& batch);

struct DropFormat {
    UINT format;
    UINT alsoFormat;  // another form of the same data that counts as this row; 0 for none
    DWORD effect;
    DropHandler handler;  // null ends the table
};

// Built once; the descriptor formats' ids are only known at run time.
const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat, UINT fileGroupDescriptorWFormat);
// Whether the data holds the row's format or its other form.
bool OffersRow(IDataObject* data, const DropFormat& row);

// Each fails only when its data cannot be fetched, so that the next row is tried.
HRESULT DropFileList(IDataObject* data, DropBatch& batch);
// The text as UTF-16 when the source offers it so, else its code-page text.
HRESULT DropText(IDataObject* data, DropBatch& batch);

bool OffersFormat(IDataObject* data, UINT format);

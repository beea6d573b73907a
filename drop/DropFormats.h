// Which dragged formats the drop window takes, in order of preference, and how each is
// taken from a drop.
#pragma once

#include <ole2.h>
#include <vector>

#include "agent/UploadItem.h"
#include "drop/HandOverQueue.h"

// Fetches the data and copies it into `batch`; the source is released as soon as it returns.
using DropHandler = HRESULT (*)(IDataObject* data, CLIPFORMAT format, DropBatch& batch);

struct DropFormat {
    UINT format;
    DWORD effect;
    DropHandler handler;  // null ends the table
    CLIPFORMAT fetchFormat;  // what the handler asks the data object for
};

// Built once; the descriptor format's id is only known at run time.
const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat);

// Each fails only when its format cannot be fetched, so that the next row is tried.
HRESULT DropFileList(IDataObject* data, CLIPFORMAT format, DropBatch& batch);
HRESULT DropText(IDataObject* data, CLIPFORMAT format, DropBatch& batch);

bool OffersFormat(IDataObject* data, UINT format);

// Which dragged formats the drop window takes, in order of preference, and how each is
// handed to the file receiver.
#pragma once

#include <ole2.h>

class FileReceiver;

using DropHandler = HRESULT (*)(IDataObject* data, CLIPFORMAT format, FileReceiver& receiver);

struct DropFormat {
    UINT format;  // 0 ends the table
    DWORD effect;
    DropHandler handler;
    CLIPFORMAT fetchFormat;  // what the handler asks the data object for
};

// Built once; the descriptor format's id is only known at run time.
const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat);

HRESULT DropFileList(IDataObject* data, CLIPFORMAT format, FileReceiver& receiver);
HRESULT DropText(IDataObject* data, CLIPFORMAT format, FileReceiver& receiver);

bool OffersFormat(IDataObject* data, UINT format);

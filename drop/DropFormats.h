// Which dragged formats the drop window takes, in order of preference, and how each is
// handed to the file receiver.
#pragma once

#include <ole2.h>

class AgentHost;

using DropHandler = HRESULT (*)(IDataObject* data, CLIPFORMAT format, AgentHost& host);

struct DropFormat {
    UINT format;
    DWORD effect;
    DropHandler handler;  // null ends the table
    CLIPFORMAT fetchFormat;  // what the handler asks the data object for
};

// Built once; the descriptor format's id is only known at run time.
const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat);

// Each fails only when its format cannot be fetched, so that the next row is tried.
HRESULT DropFileList(IDataObject* data, CLIPFORMAT format, AgentHost& host);
HRESULT DropText(IDataObject* data, CLIPFORMAT format, AgentHost& host);

bool OffersFormat(IDataObject* data, UINT format);

#include "drop/DataObjectReader.h"

#include <utility>

#include "win/ComPtr.h"

HRESULT ReadDataObject(IDataObject* data, const DropFormat* table, DropBatch& batch, DWORD& effect) {
    effect = DROPEFFECT_NONE;
    for (const DropFormat* row = table; row->handler; ++row) {
        if (!OffersRow(data, *row)) continue;
        DropBatch read;
        if (SUCCEEDED(row->handler(data, read))) {
            batch = std::move(read);
            effect = row->effect;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT ReadClipboard(const DropFormat* table, DropBatch& batch) {
    // Through OLE, so that the clipboard's data is offered as a dragged object's is, whichever
    // way its owner put it there.
    ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.Put())) || !data) return E_FAIL;
    DWORD effect = DROPEFFECT_NONE;
    return ReadDataObject(data.Get(), table, batch, effect);
}

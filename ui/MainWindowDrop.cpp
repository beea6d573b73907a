// The drop window's IDropTarget face: the format table decides the effect and the handler.
#include <utility>
#include <vector>

#include "drop/DropFormats.h"
#include "ui/MainWindow.h"

STDMETHODIMP MainWindow::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    currentEffect = DROPEFFECT_NONE;
    const DropFormat* table = DropFormatTable(fileGroupDescriptorFormat, fileGroupDescriptorWFormat);
    for (const DropFormat* row = table; row->handler; ++row) {
        if (OffersRow(data, *row)) {
            currentEffect = row->effect;
            break;
        }
    }
    if (effect) *effect = currentEffect;
    return S_OK;
}

STDMETHODIMP MainWindow::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = currentEffect;
    return S_OK;
}

STDMETHODIMP MainWindow::DragLeave() {
    currentEffect = DROPEFFECT_NONE;
    return S_OK;
}

STDMETHODIMP MainWindow::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    SetForegroundWindow(windowHandle);
    HRESULT result = E_FAIL;
    DWORD dropped = DROPEFFECT_NONE;
    try {
        const DropFormat* table = DropFormatTable(fileGroupDescriptorFormat, fileGroupDescriptorWFormat);
        for (const DropFormat* row = table; row->handler; ++row) {
            if (!OffersRow(data, *row)) continue;
            DropBatch batch;
            result = row->handler(data, batch);
            if (SUCCEEDED(result)) {
                dropped = row->effect;
                // Handed over once the source has its answer: a sign-in or ten thousand
                // calls to the agent must not hold up the program the drag came from.
                QueueHandOver(std::move(batch));
                break;
            }
        }
    } catch (...) {
        result = E_FAIL;  // nothing thrown may reach the drag source
    }
    currentEffect = DROPEFFECT_NONE;
    if (effect) *effect = dropped;
    return result;
}

// The drop window's IDropTarget face: the format table decides the effect and the handler.
#include <utility>
#include <vector>

#include "drop/DataObjectReader.h"
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
        DropBatch batch;
        result = ReadDataObject(data, DropFormatTable(fileGroupDescriptorFormat, fileGroupDescriptorWFormat), batch,
                                dropped);
        // Handed over once the source has its answer: a sign-in or ten thousand calls to the
        // agent must not hold up the program the drag came from.
        if (SUCCEEDED(result)) QueueHandOver(std::move(batch));
    } catch (...) {
        result = E_FAIL;  // nothing thrown may reach the drag source
        dropped = DROPEFFECT_NONE;
    }
    currentEffect = DROPEFFECT_NONE;
    if (effect) *effect = dropped;
    return result;
}

// Ctrl+V: what the clipboard holds goes as a drop of it would, by the same table into the
// same queue. Nothing usable there is told with the system's beep, as an edit field does.
LRESULT MainWindow::OnPaste(WORD, WORD, HWND, bool&) {
    bool queued = false;
    try {
        DropBatch batch;
        if (SUCCEEDED(ReadClipboard(DropFormatTable(fileGroupDescriptorFormat, fileGroupDescriptorWFormat), batch)))
            queued = QueueHandOver(std::move(batch));
    } catch (...) {
        queued = false;
    }
    if (!queued) MessageBeep(MB_OK);
    return 0;
}

#include "drop/DropFormats.h"

#include <string>
#include <utility>

#include "drop/DroppedText.h"
#include "win/ComText.h"

namespace {

FORMATETC Query(UINT format) {
    return {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The fetched medium, released once whatever happens.
class Medium {
public:
    Medium() { ZeroMemory(&medium_, sizeof medium_); }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    ~Medium() {
        if (fetched_) ReleaseStgMedium(&medium_);
    }
    bool Fetch(IDataObject* data, CLIPFORMAT format) {
        FORMATETC query = Query(format);
        fetched_ = SUCCEEDED(data->GetData(&query, &medium_));
        return fetched_ && medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal;
    }
    HGLOBAL Global() const { return medium_.hGlobal; }

private:
    STGMEDIUM medium_;
    bool fetched_ = false;
};

class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL global)
        : global_(global), bytes_(static_cast<const char*>(GlobalLock(global))), size_(GlobalSize(global)) {}
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    ~LockedGlobal() {
        if (bytes_) GlobalUnlock(global_);
    }
    const char* Bytes() const { return bytes_; }
    SIZE_T Size() const { return bytes_ ? size_ : 0; }

private:
    HGLOBAL global_;
    const char* bytes_;
    SIZE_T size_;
};

}  // namespace

bool OffersFormat(IDataObject* data, UINT format) {
    FORMATETC query = Query(format);
    return data && SUCCEEDED(data->QueryGetData(&query));
}

bool OffersRow(IDataObject* data, const DropFormat& row) {
    return OffersFormat(data, row.format) || (row.alsoFormat != 0 && OffersFormat(data, row.alsoFormat));
}

const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat, UINT fileGroupDescriptorWFormat) {
    static const DropFormat table[] = {
        {CF_HDROP, 0, DROPEFFECT_COPY, &DropFileList},
        {fileGroupDescriptorFormat, fileGroupDescriptorWFormat, DROPEFFECT_LINK, &DropText},
        // Text in either form: Wine's own drops, among others, offer only the UTF-16 one.
        {CF_TEXT, CF_UNICODETEXT, DROPEFFECT_COPY, &DropText},
        {0, 0, 0, nullptr},
    };
    return table;
}

HRESULT DropFileList(IDataObject* data, DropBatch& batch) {
    Medium medium;
    if (!medium.Fetch(data, CF_HDROP)) return E_FAIL;
    LockedGlobal locked(medium.Global());
    // Read by the hand-over, not here: the block comes from another program, and it is
    // checked before any name is used rather than followed by index through the shell.
    const auto* bytes = reinterpret_cast<const unsigned char*>(locked.Bytes());
    batch.fileList.assign(bytes, bytes + locked.Size());
    return S_OK;
}

namespace {

// A source that offers both forms may fill its code-page text lossily, or with UTF-8:
// only the UTF-16 form is sure to hold what the user dragged.
bool FetchUnicodeText(IDataObject* data, std::wstring& text) {
    Medium medium;
    if (!OffersFormat(data, CF_UNICODETEXT) || !medium.Fetch(data, CF_UNICODETEXT)) return false;
    LockedGlobal locked(medium.Global());
    text = TextFromWideBlock(reinterpret_cast<const unsigned char*>(locked.Bytes()), locked.Size());
    return true;
}

bool FetchCodePageText(IDataObject* data, std::wstring& text) {
    Medium medium;
    if (!medium.Fetch(data, CF_TEXT)) return false;
    LockedGlobal locked(medium.Global());
    text = NarrowToWide(TextFromBlock(locked.Bytes(), locked.Size()).c_str());
    return true;
}

}  // namespace

HRESULT DropText(IDataObject* data, DropBatch& batch) {
    UploadItem item;
    if (!FetchUnicodeText(data, item.text) && !FetchCodePageText(data, item.text)) return E_FAIL;
    batch.items.push_back(std::move(item));
    return S_OK;
}

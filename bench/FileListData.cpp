#include "bench/FileListData.h"

#include <shlobj.h>

#include <cstring>
#include <new>
#include <utility>

namespace {

class FileListData final : public IDataObject {
public:
    explicit FileListData(std::vector<unsigned char> block) : block_(std::move(block)) {}
    FileListData(const FileListData&) = delete;
    FileListData& operator=(const FileListData&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_POINTER;
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, block_.size());
        if (!global) return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(global), block_.data(), block_.size());
        GlobalUnlock(global);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        if (!format) return E_POINTER;
        return format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~FileListData() = default;

    std::vector<unsigned char> block_;
    LONG refs_ = 1;
};

// DROPFILES, then each name with its NUL, then the closing empty name.
std::vector<unsigned char> DropFilesBlock(const std::vector<std::wstring>& paths) {
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    size_t characters = 1;
    for (const std::wstring& path : paths) characters += path.size() + 1;
    std::vector<unsigned char> block(sizeof header + characters * sizeof(wchar_t), 0);
    std::memcpy(block.data(), &header, sizeof header);
    size_t at = sizeof header;
    for (const std::wstring& path : paths) {
        std::memcpy(block.data() + at, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        at += (path.size() + 1) * sizeof(wchar_t);
    }
    return block;
}

}  // namespace

IDataObject* NewFileListData(const std::vector<std::wstring>& paths) {
    return new (std::nothrow) FileListData(DropFilesBlock(paths));
}

#include "drop/DropFormats.h"

#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>

#include "agent/FileReceiver.h"
#include "drop/DropFileList.h"

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
    return data && data->QueryGetData(&query) >= 0;
}

const DropFormat* DropFormatTable(UINT fileGroupDescriptorFormat) {
    static const DropFormat table[] = {
        {CF_HDROP, DROPEFFECT_COPY, &DropFileList, CF_HDROP},
        {fileGroupDescriptorFormat, DROPEFFECT_LINK, &DropText, CF_TEXT},
        {CF_TEXT, DROPEFFECT_COPY, &DropText, CF_TEXT},
        {0, 0, nullptr, 0},
    };
    return table;
}

namespace {

// A path the system code page can hold, without truncation. A name with characters outside
// the code page is given by its short (8.3) form, which converts losslessly.
std::string ToNarrowPath(const DroppedPath& path) {
    if (!path.wide) return path.narrow;
    std::wstring wide(path.utf16.begin(), path.utf16.end());
    auto convert = [](const std::wstring& text, bool* lossy) {
        BOOL usedDefault = FALSE;
        const int needed =
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, lossy ? &usedDefault : nullptr);
        std::string out(needed > 0 ? static_cast<size_t>(needed) : 1, '\0');
        if (needed > 0)
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], needed, nullptr, lossy ? &usedDefault : nullptr);
        out.resize(strlen(out.c_str()));
        if (lossy) *lossy = usedDefault != FALSE;
        return out;
    };
    bool lossy = false;
    std::string narrow = convert(wide, &lossy);
    if (!lossy) return narrow;
    const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0) return narrow;
    std::wstring shortPath(needed, L'\0');
    const DWORD written = GetShortPathNameW(wide.c_str(), &shortPath[0], needed);
    if (written == 0 || written >= needed) return narrow;
    shortPath.resize(written);
    bool stillLossy = false;
    std::string shortNarrow = convert(shortPath, &stillLossy);
    return stillLossy ? narrow : shortNarrow;
}

}  // namespace

HRESULT DropFileList(IDataObject* data, CLIPFORMAT format, FileReceiver& receiver) {
    Medium medium;
    if (!medium.Fetch(data, format)) return E_FAIL;
    std::vector<DroppedPath> paths;
    {
        // Parsed here rather than by index through the shell: the block comes from another
        // program, and a bad offset in it must not be followed.
        LockedGlobal locked(medium.Global());
        paths = ParseDropFiles(reinterpret_cast<const unsigned char*>(locked.Bytes()), locked.Size());
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i == 0 && receiver.BeginFiles() == 0) break;
        receiver.AddFile(ToNarrowPath(paths[i]).c_str());
    }
    return S_OK;
}

HRESULT DropText(IDataObject* data, CLIPFORMAT format, FileReceiver& receiver) {
    Medium medium;
    if (!medium.Fetch(data, format)) return E_FAIL;
    std::string text;
    {
        LockedGlobal locked(medium.Global());
        const char* bytes = locked.Bytes();
        const SIZE_T size = locked.Size();
        SIZE_T length = 0;
        while (length < size && bytes[length] != '\0') ++length;  // never past the block
        text.assign(bytes ? bytes : "", length);
    }
    if (receiver.BeginFiles() == 1) receiver.AddFile(text.c_str());
    return S_OK;
}

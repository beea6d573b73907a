#include "drop/DropFormats.h"

#include <shellapi.h>
#include <string>
#include <vector>

#include "agent/AgentHost.h"
#include "agent/FileReceiver.h"
#include "drop/DropFileList.h"
#include "drop/DroppedText.h"

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

// The text in the system code page; empty when it cannot be converted.
std::string ToAnsi(const std::wstring& text, DWORD flags) {
    const int length = static_cast<int>(text.size());
    const int needed =
        length > 0 ? WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, nullptr) : 0;
    if (needed <= 0) return std::string();
    std::string narrow(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, text.data(), length, &narrow[0], needed, nullptr, nullptr) != needed)
        return std::string();
    return narrow;
}

// The text in the system code page, only when it converts back to exactly the same
// characters: no default character and no best-fit look-alike.
bool ToAnsiExactly(const std::wstring& text, std::string& out) {
    if (text.empty()) {
        out.clear();
        return true;
    }
    std::string narrow = ToAnsi(text, GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS);
    if (narrow.empty()) return false;
    const int size = static_cast<int>(narrow.size());
    const int back = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
    if (back != static_cast<int>(text.size())) return false;
    std::wstring check(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, &check[0], back);
    if (check != text) return false;
    out = std::move(narrow);
    return true;
}

// The agent takes paths in the system code page. A name with characters outside it is
// given by its short (8.3) form, which has none; without one, the file cannot be passed:
// its converted name would have '?' where those characters were, and name no file.
bool ToNarrowPath(const DroppedPath& path, std::string& out) {
    if (!path.wide) {
        out = path.narrow;
        return true;
    }
    const std::wstring wide(path.utf16.begin(), path.utf16.end());
    if (ToAnsiExactly(wide, out)) return true;
    const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0) return false;
    std::wstring shortPath(needed, L'\0');
    const DWORD written = GetShortPathNameW(wide.c_str(), &shortPath[0], needed);
    if (written == 0 || written >= needed) return false;
    shortPath.resize(written);
    return ToAnsiExactly(shortPath, out);
}

// Names the file as well as the code page can, which is what the text explains.
std::string CannotPassText(const DroppedPath& path) {
    const std::string shown = ToAnsi(std::wstring(path.utf16.begin(), path.utf16.end()), 0);
    return "Parcelo cannot pass the file '" + shown +
           "' to the Locker because its name uses characters this system's code page cannot show. "
           "Rename the file and drop it again.";
}

}  // namespace

HRESULT DropFileList(IDataObject* data, CLIPFORMAT format, AgentHost& host) {
    Medium medium;
    if (!medium.Fetch(data, format)) return E_FAIL;
    std::vector<DroppedPath> paths;
    {
        // Parsed here rather than by index through the shell: the block comes from another
        // program, and a bad offset in it must not be followed.
        LockedGlobal locked(medium.Global());
        paths = ParseDropFiles(reinterpret_cast<const unsigned char*>(locked.Bytes()), locked.Size());
    }
    // Files that cannot be passed are reported before any sign-in is asked for, so a drop
    // of nothing else asks for none.
    std::vector<std::string> items;
    for (const DroppedPath& path : paths) {
        std::string narrow;
        if (ToNarrowPath(path, narrow))
            items.push_back(std::move(narrow));
        else
            host.ShowMessage(host.MainWindowHandle(), CannotPassText(path).c_str(), "Parcelo", MB_OK);
    }
    FileReceiver& receiver = host.Receiver();
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == 0 && receiver.BeginFiles() == 0) break;
        receiver.AddFile(items[i].c_str());
    }
    return S_OK;
}

HRESULT DropText(IDataObject* data, CLIPFORMAT format, AgentHost& host) {
    Medium medium;
    if (!medium.Fetch(data, format)) return E_FAIL;
    std::string text;
    {
        LockedGlobal locked(medium.Global());
        text = TextFromBlock(locked.Bytes(), locked.Size());
    }
    FileReceiver& receiver = host.Receiver();
    if (receiver.BeginFiles() == 1) receiver.AddFile(text.c_str());
    return S_OK;
}

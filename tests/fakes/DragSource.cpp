#include "tests/fakes/DragSource.h"

#include "tests/support/Owned.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

// Enough polls for any target to answer; reaching it means the drag never found one.
constexpr int GIVE_UP_AFTER_POLLS = 400;

class DataObject final : public CountedObject<IDataObject> {
public:
    explicit DataObject(std::vector<OfferedFormat> formats) : formats_(std::move(formats)) {}

    STDMETHODIMP GetData(FORMATETC* query, STGMEDIUM* medium) override {
        if (!query || !medium) return E_INVALIDARG;
        if (fetched.empty()) QueryPerformanceCounter(&firstFetch);
        fetched.push_back(query->cfFormat);
        const OfferedFormat* offered = Find(*query);
        if (!offered || !offered->fetchable) return DV_E_FORMATETC;
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, offered->bytes.size());
        if (!global) return E_OUTOFMEMORY;
        if (!offered->bytes.empty()) {
            memcpy(GlobalLock(global), offered->bytes.data(), offered->bytes.size());
            GlobalUnlock(global);
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* query) override {
        if (!query) return E_INVALIDARG;
        queried.push_back(query->cfFormat);
        return Find(*query) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> list;
        for (const OfferedFormat& offered : formats_)
            list.push_back({offered.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    std::vector<CLIPFORMAT> queried;
    std::vector<CLIPFORMAT> fetched;
    LARGE_INTEGER firstFetch = {};

private:
    ~DataObject() = default;
    const OfferedFormat* Find(const FORMATETC& query) const {
        if (query.dwAspect != DVASPECT_CONTENT || !(query.tymed & TYMED_HGLOBAL)) return nullptr;
        for (const OfferedFormat& offered : formats_)
            if (offered.format == query.cfFormat) return &offered;
        return nullptr;
    }

    std::vector<OfferedFormat> formats_;
};

class DropSource final : public IDropSource {
public:
    explicit DropSource(const DataObject& data) : data_(data) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        const bool mine = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource);
        *out = mine ? static_cast<IDropSource*>(this) : nullptr;
        return mine ? S_OK : E_NOINTERFACE;  // nothing to count
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the drag thread's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP QueryContinueDrag(BOOL, DWORD) override {
        if (++polls_ > GIVE_UP_AFTER_POLLS) {
            gaveUp = true;
            return DRAGDROP_S_CANCEL;
        }
        return feedback.size() >= 3 ? DRAGDROP_S_DROP : S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD effect) override {
        // Before the target has looked at the data, the cursor was over something else.
        if (!data_.queried.empty()) feedback.push_back(effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    std::vector<DWORD> feedback;
    bool gaveUp = false;

private:
    const DataObject& data_;
    int polls_ = 0;
};

}  // namespace

std::vector<unsigned char> DropFilesBlock(const std::vector<std::wstring>& paths, bool wide, DWORD offset) {
    std::vector<std::u16string> names;
    for (const std::wstring& path : paths) names.emplace_back(path.begin(), path.end());
    return DropFilesBlock(names, wide, offset);
}

OfferedFormat Files(const std::vector<std::wstring>& paths) { return {CF_HDROP, DropFilesBlock(paths), true}; }

OfferedFormat Text(const std::string& text) {
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return {CF_TEXT, bytes, true};
}

OfferedFormat WideText(const std::wstring& text) {
    std::vector<unsigned char> bytes;
    for (wchar_t c : text + L'\0') {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    return {CF_UNICODETEXT, bytes, true};
}

IDataObject* NewDataObject(std::vector<OfferedFormat> formats) { return new DataObject(std::move(formats)); }

CLIPFORMAT DescriptorFormat(bool wide) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(wide ? L"FileGroupDescriptorW" : L"FileGroupDescriptor"));
}

namespace {

// One drag on this thread, whose apartment is already set up.
void DragOnce(POINT at, std::vector<OfferedFormat> formats, DWORD allowed, DragOutcome& outcome) {
    auto* data = new DataObject(std::move(formats));
    DropSource source(*data);
    SetCursorPos(at.x, at.y);
    DWORD effect = 0xFFFF;
    outcome.result = DoDragDrop(data, &source, allowed, &effect);
    LARGE_INTEGER returned, frequency;
    QueryPerformanceCounter(&returned);
    QueryPerformanceFrequency(&frequency);
    if (!data->fetched.empty())
        outcome.fetchToReturnMs = static_cast<double>(returned.QuadPart - data->firstFetch.QuadPart) * 1000.0 /
                                  static_cast<double>(frequency.QuadPart);
    outcome.effect = effect;
    outcome.feedback = source.feedback;
    outcome.gaveUp = source.gaveUp;
    outcome.queried = data->queried;
    outcome.fetched = data->fetched;
    outcome.dataLeft = data->Release();
}

void DispatchAll() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

DragWorker::DragWorker()
    : start_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), done_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      quit_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_.Reset(CreateThread(nullptr, 0, &DragWorker::Run, this, 0, nullptr));
}

DragWorker::~DragWorker() {
    SetEvent(quit_.Get());
    // A drag that never ended keeps its thread: it is left behind, not waited for.
    WaitForSingleObject(thread_.Get(), 5000);
}

void DragWorker::Start(POINT at, std::vector<OfferedFormat> formats, DWORD allowed) {
    at_ = at;
    formats_ = std::move(formats);
    allowed_ = allowed;
    outcome_ = DragOutcome();
    ResetEvent(done_.Get());
    SetEvent(start_.Get());
}

DWORD WINAPI DragWorker::Run(void* self) {
    auto* worker = static_cast<DragWorker*>(self);
    const OleScope ole;
    const HANDLE events[] = {worker->quit_.Get(), worker->start_.Get()};
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_OBJECT_0 + 1) {
            DragOnce(worker->at_, std::move(worker->formats_), worker->allowed_, worker->outcome_);
            SetEvent(worker->done_.Get());
            continue;
        }
        DispatchAll();  // what other apartments ask of this one's objects meanwhile
    }
    return 0;
}

DragOutcome DragThread::Finish() {
    const HANDLE done = Done();
    while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) DispatchAll();
    return worker_.Outcome();
}

DragOutcome RunDrag(POINT at, std::vector<OfferedFormat> formats, DWORD allowed) {
    DragThread drag(at, std::move(formats), allowed);
    return drag.Finish();
}

// ---- RecordingTarget

RecordingTarget::RecordingTarget(IDropTarget* inner) : inner_(inner) { inner_->AddRef(); }

RecordingTarget::~RecordingTarget() { inner_->Release(); }

RecordingTarget* RecordingTarget::Install(HWND window, IDropTarget* inner) {
    auto* spy = new RecordingTarget(inner);
    RevokeDragDrop(window);
    RegisterDragDrop(window, spy);
    return spy;
}


namespace {

std::string Hex(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

STDMETHODIMP RecordingTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    const HRESULT hr = inner_->DragEnter(data, keys, point, effect);
    calls_.push_back("DragEnter " + std::to_string(effect ? *effect : 0xFFFF));
    return hr;
}

STDMETHODIMP RecordingTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    const HRESULT hr = inner_->DragOver(keys, point, effect);
    calls_.push_back("DragOver " + std::to_string(effect ? *effect : 0xFFFF));
    return hr;
}

STDMETHODIMP RecordingTarget::DragLeave() {
    calls_.push_back("DragLeave");
    return inner_->DragLeave();
}

STDMETHODIMP RecordingTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    const HRESULT hr = inner_->Drop(data, keys, point, effect);
    calls_.push_back("Drop " + Hex(hr) + " " + std::to_string(effect ? *effect : 0xFFFF));
    return hr;
}

std::vector<std::string> RecordingTarget::Calls() const {
    std::vector<std::string> folded;
    for (const std::string& call : calls_)
        if (folded.empty() || call != folded.back() || call.compare(0, 8, "DragOver") != 0) folded.push_back(call);
    return folded;
}

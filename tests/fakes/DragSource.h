// The other side of a drag: a data object, a drop source and a thread that runs a real
// DoDragDrop over a point of the screen, recording what the target asked for.
#pragma once

#include <ole2.h>

#include <string>
#include <vector>

#include "tests/support/DropFilesBlock.h"
#include "win/CountedObject.h"
#include "win/UniqueHandle.h"

struct OfferedFormat {
    CLIPFORMAT format;
    std::vector<unsigned char> bytes;
    bool fetchable = true;  // false: offered by QueryGetData, refused by GetData
};

// The shared DROPFILES builder, for names in the program's own text.
std::vector<unsigned char> DropFilesBlock(const std::vector<std::wstring>& paths, bool wide = true,
                                          DWORD offset = 20);
OfferedFormat Files(const std::vector<std::wstring>& paths);
OfferedFormat Text(const std::string& text);  // code-page bytes, with its NUL
OfferedFormat WideText(const std::wstring& text);  // CF_UNICODETEXT, with its NUL
CLIPFORMAT DescriptorFormat(bool wide = false);

// A data object offering `formats` (reference count 1), for calling a target directly.
IDataObject* NewDataObject(std::vector<OfferedFormat> formats);

// What a drag saw. The source's own records are only read once its thread has ended.
struct DragOutcome {
    HRESULT result = E_PENDING;
    DWORD effect = 0xFFFF;
    std::vector<DWORD> feedback;      // GiveFeedback effects once the target had been entered
    std::vector<CLIPFORMAT> queried;  // QueryGetData, in order
    std::vector<CLIPFORMAT> fetched;  // GetData, in order
    bool gaveUp = false;              // the target never answered; the source cancelled
    ULONG dataLeft = 0xFFFF;          // references left on the data object after the drag
    double fetchToReturnMs = -1;      // from the target's first GetData to DoDragDrop's return
};

// Drags one after another on one thread of its own (its own STA), all in its one apartment:
// under Wine a fresh apartment for each of hundreds of drags in a row now and then never got
// its first call out (the new apartment's RPC listening met the last one's end), and that drag
// hung. Each drag is a DoDragDrop with the cursor at `at`, letting go once the target has been
// entered and has answered two more moves.
class DragWorker {
public:
    DragWorker();
    ~DragWorker();
    DragWorker(const DragWorker&) = delete;
    DragWorker& operator=(const DragWorker&) = delete;

    // Once the last drag has ended.
    void Start(POINT at, std::vector<OfferedFormat> formats,
               DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    bool Ended() const { return WaitForSingleObject(done_.Get(), 0) == WAIT_OBJECT_0; }
    HANDLE Done() const { return done_.Get(); }
    const DragOutcome& Outcome() const { return outcome_; }  // once it has ended

private:
    static DWORD WINAPI Run(void* self);

    UniqueHandle start_, done_, quit_;
    POINT at_{};
    std::vector<OfferedFormat> formats_;
    DWORD allowed_ = 0;
    DragOutcome outcome_;
    UniqueHandle thread_;
};

// One drag, on a worker of its own, started at once.
class DragThread {
public:
    DragThread(POINT at, std::vector<OfferedFormat> formats,
               DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK) {
        worker_.Start(at, std::move(formats), allowed);
    }
    ~DragThread() { Finish(); }

    // Dispatches this thread's messages until the drag has ended, so that a target living
    // here is served meanwhile.
    DragOutcome Finish();
    HANDLE Done() const { return worker_.Done(); }

private:
    DragWorker worker_;
};

DragOutcome RunDrag(POINT at, std::vector<OfferedFormat> formats,
                    DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);

// Stands in front of a registered drop target and writes down each call and its answer,
// e.g. "DragEnter 1", "DragOver 1", "Drop 0x80004005 0", "DragLeave".
class RecordingTarget final : public CountedObject<IDropTarget> {
public:
    // Replaces the window's registration with itself, forwarding to the target it had.
    static RecordingTarget* Install(HWND window, IDropTarget* inner);

    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // The calls with repeated moves folded into one.
    std::vector<std::string> Calls() const;

private:
    explicit RecordingTarget(IDropTarget* inner);
    ~RecordingTarget() override;

    IDropTarget* inner_;
    std::vector<std::string> calls_;
};

// Real drags onto the shown window: when the source is released, and how the window answers.
#include "bench/InProcessBench.h"
#include "bench/InProcessHarness.h"
#include "bench/BareParts.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/AnswerProbe.h"
#include "tests/support/WindowFacts.h"

using namespace agentproto;

// The least drop target that releases its source with the data in hand: a window whose Drop
// fetches the file list and copies it, nothing more.
class BareDropWindow final : public bare::UncountedDropTarget {
public:
    BareDropWindow() {
        WNDCLASSA type = {};
        type.lpfnWndProc = &DefWindowProcA;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "ParceloBenchBareDrop";
        RegisterClassA(&type);
        window_ = CreateWindowExA(WS_EX_TOPMOST, type.lpszClassName, "", WS_POPUP | WS_VISIBLE, 100, 100,
                                  SKIN_SIZE.width, SKIN_SIZE.height, nullptr, nullptr, type.hInstance, nullptr);
        RegisterDragDrop(window_, this);
    }
    BareDropWindow(const BareDropWindow&) = delete;
    BareDropWindow& operator=(const BareDropWindow&) = delete;
    ~BareDropWindow() {
        RevokeDragDrop(window_);
        DestroyWindow(window_);
    }
    HWND Handle() const { return window_; }
    size_t Copied() const { return copied_.size(); }

    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC query = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        *effect = data->QueryGetData(&query) == S_OK ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC query = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&query, &medium))) return E_FAIL;
        const auto* bytes = static_cast<const unsigned char*>(GlobalLock(medium.hGlobal));
        copied_.assign(bytes, bytes + GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    HWND window_ = nullptr;
    std::vector<unsigned char> copied_;
};

// Real drags of both sizes onto the shown window, signed in: the time from the window's
// fetch of the file list to the source's DoDragDrop returning, and, while the large drops
// are handed over, how long the window takes to answer a message sent to it.
int RunRelease(const size_t sizes[2], int rounds) {
    ParceloWindow window;
    if (!window.Open()) return 1;
    BareDropWindow bare;
    const std::vector<std::wstring> paths[2] = {MakePaths(sizes[0], false), MakePaths(sizes[1], false)};
    Series released[2], bareReleased[2];
    std::vector<double> answers, dropOnly[2];
    ComPtr<IDataObject> lists[2] = {ComPtr<IDataObject>(NewDataObject({Files(paths[0])})),
                                    ComPtr<IDataObject>(NewDataObject({Files(paths[1])}))};
    for (int round = 0; round < rounds; ++round) {
        for (int size = 0; size < 2; ++size) {
            // Parcelo's own part of it: Drop called directly, with no transfer of the data.
            DWORD effect = DROPEFFECT_COPY;
            Stopwatch direct;
            window->Drop(lists[size].Get(), 0, POINTL{0, 0}, &effect);
            dropOnly[size].push_back(direct.Ms());
            RunUntilHandedOver(*window);

            const DragOutcome floor = RunDrag(CentreOf(bare.Handle()), {Files(paths[size])}, DROPEFFECT_COPY);
            if (floor.result != DRAGDROP_S_DROP || floor.fetchToReturnMs < 0 || bare.Copied() == 0) {
                std::fprintf(stderr, "bare drag of %zu: result 0x%08lx\n", sizes[size],
                             static_cast<unsigned long>(floor.result));
                return 1;
            }
            bareReleased[size].wall.push_back(floor.fetchToReturnMs);

            const LONG before = StandinUploads();
            std::unique_ptr<AnswerProbe> probe;
            if (size == 1) probe = std::make_unique<AnswerProbe>(window->windowHandle);
            const DragOutcome drag = RunDrag(CentreOf(window->windowHandle), {Files(paths[size])}, DROPEFFECT_COPY);
            RunUntilHandedOver(*window);
            if (probe) {
                const std::vector<double>& times = probe->Stop();
                answers.insert(answers.end(), times.begin(), times.end());
            }
            const LONG arrived = StandinUploads() - before;
            if (drag.result != DRAGDROP_S_DROP || drag.fetchToReturnMs < 0 || arrived != static_cast<LONG>(sizes[size])) {
                std::fprintf(stderr, "drag of %zu: result 0x%08lx, %ld uploads arrived\n", sizes[size],
                             static_cast<unsigned long>(drag.result), arrived);
                return 1;
            }
            released[size].wall.push_back(drag.fetchToReturnMs);
        }
    }
    char name[64];
    for (int size = 0; size < 2; ++size) {
        std::printf("source released after the fetch, drop of %zu files, ms (bare: a target that only copies the list)\n",
                    sizes[size]);
        PrintSamples("Drop called directly", dropOnly[size]);
        std::snprintf(name, sizeof name, "release-%zu-ms", sizes[size]);
        PrintTimes(name, released[size].wall, bareReleased[size].wall);
    }
    const double growth = Median(released[1].wall) / Median(released[0].wall);
    const double bareGrowth = Median(bareReleased[1].wall) / Median(bareReleased[0].wall);
    std::printf("  growth large/small: parcelo %.2f, bare %.2f\n", growth, bareGrowth);
    PrintResult("release-growth", growth, bareGrowth, growth / bareGrowth);
    PrintAnswers("the hand-over of", sizes[1], answers, "answer-p99-ms");
    return 0;
}

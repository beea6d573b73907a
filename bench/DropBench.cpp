// Drops and the replay of held items, Parcelo against the bare floor, both sizes by turns.
#include "bench/InProcessBench.h"
#include "bench/InProcessHarness.h"
#include "tests/fakes/AgentSessionParts.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/AnswerProbe.h"

using namespace agentproto;

int RunDrop(const AgentChoice& agent, const size_t sizes[2], bool real, int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!Connect(agent, window, bare)) return 1;
    ComPtr<IDataObject> data[2];
    for (int i = 0; i < 2; ++i) {
        data[i].Reset(NewDataObject({Files(MakePaths(sizes[i], real))}));
        if (!data[i]) return 1;
    }
    IDropTarget* target = &*window;
    SizedTimes sized[2];
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, Series& series) {
            IDataObject* list = data[size].Get();
            if (side == 1)
                return TimeUploads("bare", sizes[size], agent.uploads, [&] { BareDrop(bare, list); }, series);
            return TimeUploads("parcelo", sizes[size], agent.uploads,
                               [&] {
                                   DWORD effect = DROPEFFECT_COPY;
                                   target->Drop(list, 0, POINTL{0, 0}, &effect);
                                   RunUntilHandedOver(*window);
                               },
                               series);
        },
        sized);
    if (!ok) return 1;
    const char* kind = real ? "real" : "missing";
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("%sdrop of %zu %s files, ms per drop\n", agent.null ? "in-process agent: " : "", sizes[i],
                    real ? "real 1-byte" : "missing");
        std::snprintf(name, sizeof name, "%sdrop-%s-%zu-ms", agent.prefix, kind, sizes[i]);
        PrintSized(name, sized[i], sizes[i]);
    }
    std::snprintf(name, sizeof name, "%sdrop-%s-growth", agent.prefix, kind);
    PrintGrowth(name, sized);
    return 0;
}

// Only the drive differs between the sides, and a drive onto a local folder answers as fast as
// the fixed one: the ratio is what the program itself adds for a drive of that kind.
int RunDriveDrop(const wchar_t* root, const size_t sizes[2], int rounds) {
    const UINT type = GetDriveTypeW(root);
    const char* kind = type == DRIVE_REMOTE ? "network" : type == DRIVE_REMOVABLE ? "removable" : nullptr;
    if (!kind) {
        std::fprintf(stderr, "%ls is neither a network nor a removable drive here\n", root);
        return 1;
    }
    ParceloWindow window;
    if (!window.Open()) return 1;
    ComPtr<IDataObject> data[2][2];  // by side (the drive, the fixed drive) and size
    for (int i = 0; i < 2; ++i) {
        data[0][i].Reset(NewDataObject({Files(MakePaths(sizes[i], true, root))}));
        data[1][i].Reset(NewDataObject({Files(MakePaths(sizes[i], true))}));
        if (!data[0][i] || !data[1][i]) return 1;
    }
    IDropTarget* target = &*window;
    SizedTimes sized[2];
    // Each item asks IsSignedIn once; a size not read in time asks again a timer later.
    long late[2] = {0, 0};
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, Series& series) {
            IDataObject* list = data[side][size].Get();
            const LONG asked = AgentScript::CallCount(agentproto::DispIsSignedIn);
            const bool timed = TimeUploads(side == 0 ? kind : "fixed", sizes[size], &StandinUploads,
                                           [&] {
                                               DWORD effect = DROPEFFECT_COPY;
                                               target->Drop(list, 0, POINTL{0, 0}, &effect);
                                               RunUntilHandedOver(*window);
                                           },
                                           series);
            const LONG again =
                AgentScript::CallCount(agentproto::DispIsSignedIn) - asked - 1 - static_cast<LONG>(sizes[size]);
            if (side == 0) late[size] += again;
            return timed;
        },
        sized);
    if (!ok) return 1;
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("drop of %zu real 1-byte files from the %s drive %ls (bare: from the fixed drive), ms per drop\n",
                    sizes[i], kind, root);
        std::snprintf(name, sizeof name, "drive-%s-%zu-ms", kind, sizes[i]);
        PrintSized(name, sized[i], sizes[i]);
        std::printf("  sizes read later than the window waits (a timer round each), all runs: %ld\n", late[i]);
    }
    return 0;
}

int RunReplay(const AgentChoice& agent, const size_t sizes[2], int rounds) {
    ParceloWindow window;
    BareAgent bare;
    if (!Connect(agent, window, bare)) return 1;
    const std::vector<std::string> narrow[2] = {Narrow(MakePaths(sizes[0], false)), Narrow(MakePaths(sizes[1], false))};
    const std::vector<UploadItem> items[2] = {Dropped(MakePaths(sizes[0], false)), Dropped(MakePaths(sizes[1], false))};
    AgentClient* client = window->Session().CurrentClient();
    SizedTimes sized[2];
    std::vector<double> answers;
    const bool ok = RunRounds(
        rounds,
        [&](int side, int size, Series& series) {
            if (side == 1)
                return TimeUploads("bare", sizes[size], agent.uploads, [&] { BareReplay(bare, narrow[size]); }, series);
            AgentSessionParts(window->Session()).deferred.pendingFiles = items[size];  // as dropped while signed out
            // The report only queues the held items; the window hands them over by slices.
            std::unique_ptr<AnswerProbe> probe;
            if (size == 1 && !agent.null) probe = std::make_unique<AnswerProbe>(window->windowHandle);
            const bool handed = TimeUploads("parcelo", sizes[size], agent.uploads,
                                            [&] {
                                                client->OnStatus(19);
                                                RunUntilHandedOver(*window);
                                            },
                                            series);
            if (probe) {
                const std::vector<double>& times = probe->Stop();
                answers.insert(answers.end(), times.begin(), times.end());
            }
            return handed && window->Session().Held().pendingFiles.empty();
        },
        sized);
    if (!ok) return 1;
    char name[64];
    for (int i = 0; i < 2; ++i) {
        std::printf("%sreplay of %zu pending items after status 19, ms\n", agent.null ? "in-process agent: " : "",
                    sizes[i]);
        std::snprintf(name, sizeof name, "%sreplay-%zu-ms", agent.prefix, sizes[i]);
        PrintSized(name, sized[i], sizes[i]);
    }
    std::snprintf(name, sizeof name, "%sreplay-growth", agent.prefix);
    PrintGrowth(name, sized);
    if (!answers.empty()) PrintAnswers("the replay of", sizes[1], answers, "replay-answer-p99-ms");
    return 0;
}

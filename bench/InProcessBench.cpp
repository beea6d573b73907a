// Parcelo's real drop window in this process, connected to the real agent (the stand-in,
// out of process, scripted to answer IsSignedIn with 1 and Upload with S_OK without queuing),
// against the bare floor doing the same calls on the same agent. Runs alternate Parcelo and
// bare (ABAB); a figure is the median of its runs, its ratio the median of the pairs' ratios.
// Every run checks through the agent's call count that each item reached the agent.
//
//   inproc_bench drop <missing|real> <small> <large> <rounds>   IDropTarget::Drop of a CF_HDROP list
//   inproc_bench drive <X:> <small> <large> <rounds>            the same drop of real files from the network
//                                                               or removable drive X: and from the fixed drive
//   inproc_bench replay <small> <large> <rounds>                status 19 until the held items have gone,
//                                                               and the window's answers meanwhile
//   inproc_bench paint <repaints> <runs>                        RedrawWindow with both status lines
//   inproc_bench own <small> <large> <rounds>                   both drops and the replay against an
//                                                               in-process agent: the client's own cost
//   inproc_bench calls <count>                                  diagnostics: round trips, size checks
//   inproc_bench paths <items> <batches>                        diagnostics: one item's way, three forms
//   inproc_bench release <small> <large> <rounds>               a real DoDragDrop: when the source is
//                                                               released, how the window answers after
//
// drop and replay run both sizes by turns in one process, so that the growth from the small
// to the large size is measured under the same conditions.
#include "bench/InProcessBench.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/InProcessHarness.h"
#include "tests/support/Owned.h"

namespace {

size_t Size(const char* text) { return std::strtoul(text, nullptr, 10); }

// One figure: its name, how many arguments follow the name, and how it runs with them.
struct Figure {
    const char* name;
    int arguments;
    int (*run)(char** arguments);
};

const Figure FIGURES[] = {
    {"drop", 4,
     [](char** a) -> int {
         const size_t sizes[2] = {Size(a[1]), Size(a[2])};
         if (std::strcmp(a[0], "missing") != 0 && std::strcmp(a[0], "real") != 0) return 2;
         return RunDrop(STANDIN, sizes, std::strcmp(a[0], "real") == 0, std::atoi(a[3]));
     }},
    {"drive", 4,
     [](char** a) -> int {
         const size_t sizes[2] = {Size(a[1]), Size(a[2])};
         const std::wstring root = std::wstring(a[0], a[0] + std::strlen(a[0])) + L"\\";
         return RunDriveDrop(root.c_str(), sizes, std::atoi(a[3]));
     }},
    {"replay", 3,
     [](char** a) -> int {
         const size_t sizes[2] = {Size(a[0]), Size(a[1])};
         return RunReplay(STANDIN, sizes, std::atoi(a[2]));
     }},
    // The same with the agent in the process: the client's own cost, all three kinds in one go.
    {"own", 3,
     [](char** a) -> int {
         const size_t sizes[2] = {Size(a[0]), Size(a[1])};
         const int rounds = std::atoi(a[2]);
         return RunDrop(NULL_AGENT, sizes, false, rounds) || RunDrop(NULL_AGENT, sizes, true, rounds) ||
                RunReplay(NULL_AGENT, sizes, rounds);
     }},
    {"paint", 2, [](char** a) -> int { return RunPaint(std::atoi(a[0]), std::atoi(a[1])); }},
    {"calls", 1, [](char** a) -> int { return RunCalls(std::atoi(a[0])); }},
    {"paths", 2, [](char** a) -> int { return RunPaths(std::atoi(a[0]), std::atoi(a[1])); }},
    {"release", 3,
     [](char** a) -> int {
         const size_t sizes[2] = {Size(a[0]), Size(a[1])};
         return RunRelease(sizes, std::atoi(a[2]));
     }},
};

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    for (const Figure& figure : FIGURES) {
        if (what != figure.name || argc != figure.arguments + 2) continue;
        OleScope ole;
        if (!ole.Ok()) return 1;
        GetAppModule().Init(GetModuleHandleW(nullptr));
        // Signed in: every item goes the signed-in way, and is taken without being kept.
        AgentScript script(false);
        script.Set("12.vt", VT_I4);
        script.Set("12.value", 1);
        script.Set("1.hr", S_OK);
        return figure.run(argv + 2);
    }
    std::fprintf(stderr,
                 "usage: inproc_bench drop <missing|real> <small> <large> <rounds> | replay <small> <large> <rounds> |"
                 " own <small> <large> <rounds> | paint <repaints> <runs> | calls <count> | paths <items> <batches> |"
                 " release <small> <large> <rounds>\n");
    return 2;
}

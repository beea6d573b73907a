// Diagnostics: what one round trip to the agent costs, and one item's way in three forms.
#include "bench/InProcessBench.h"
#include "bench/InProcessHarness.h"
#include "tests/fakes/AgentSessionParts.h"
#include "standin/StandinIds.h"
#include "tests/support/Owned.h"

using namespace agentproto;

// Diagnostics: one item's way to the real agent in three forms, by turns in batches: the bare
// floor, Parcelo's client making the same two calls (no size check), and FileReceiver::AddFile
// (what a drop and the replay do for each item). Elapsed and this thread's processor time.
int RunPaths(int items, int batches) {
    ParceloWindow window;
    BareAgent bare;
    if (!window.Open() || !bare.Create()) return 1;
    const std::vector<std::wstring> wide = MakePaths(static_cast<size_t>(items), false);
    const std::vector<UploadItem> dropped = Dropped(wide);
    AgentClient* client = window->Session().CurrentClient();
    const char* labels[3] = {"bare: IsSignedIn + Upload", "parcelo client: same two calls", "parcelo AddFile"};
    Series series[3];
    for (int batch = 0; batch < batches; ++batch) {
        for (int form = 0; form < 3; ++form) {
            const bool ok = TimeUploads(labels[form], static_cast<size_t>(items), &StandinUploads, [&] {
                for (int i = 0; i < items; ++i) {
                    if (form == 0) {
                        bare.UploadOne(wide[i].c_str(), static_cast<UINT>(wide[i].size()));
                    } else if (form == 1) {
                        int signedIn = 0;
                        if (SUCCEEDED(client->IsSignedIn(&signedIn)) && signedIn == 1)
                            client->AgentClient::Upload(dropped[i], 1);
                    } else {
                        AgentSessionParts(window->Session()).receiver.AddFile(dropped[i]);
                    }
                }
            }, series[form]);
            if (!ok) return 1;
        }
    }
    std::printf("one item to the agent, %d batches of %d, per item (median of batches)\n", batches, items);
    for (int form = 0; form < 3; ++form)
        std::printf("  %-34s %8.1f us elapsed, %8.1f us this thread's processor time\n", labels[form],
                    Median(series[form].wall) * 1000.0 / items, Median(series[form].cpu) * 1000.0 / items);
    return 0;
}

// Diagnostics for the report: what one bare round trip to the agent costs per dispatch id.
int RunCalls(int count) {
    BareAgent bare;
    if (!bare.Create()) return 1;
    struct Probe {
        const char* label;
        DISPID id;
    };
    const Probe probes[] = {{"GetStatus (default answer)", DispGetStatus},
                            {"IsSignedIn (scripted answer)", DispIsSignedIn}};
    for (const Probe& probe : probes) {
        Stopwatch clock;
        for (int i = 0; i < count; ++i) {
            VARIANT result;
            VariantInit(&result);
            bare.Call(probe.id, nullptr, 0, &result);
            VariantClear(&result);
        }
        std::printf("  %-34s %8.1f us per call\n", probe.label, clock.Ms() * 1000.0 / count);
    }
    Stopwatch clock;
    for (int i = 0; i < count; ++i) bare.UploadOne(L"C:\\parcelo-bench\\track00001.mp3", 31);
    std::printf("  %-34s %8.1f us per item\n", "IsSignedIn + Upload (bare floor)", clock.Ms() * 1000.0 / count);
    // What the scripted agent does before each answer: open the script key, read its values.
    clock.Restart();
    for (int i = 0; i < count; ++i) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, standin::SCRIPT_KEY, 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
        const OwnedKey key(opened);
        for (const char* name : {"12.hr", "12.vt", "12.value", "12.value", "12.delay", "12.events", "LogFile"}) {
            BYTE data[64];
            DWORD size = sizeof data, type = 0;
            RegQueryValueExA(key.Get(), name, nullptr, &type, data, &size);
        }
    }
    std::printf("  %-34s %8.1f us per call\n", "the agent's script reading", clock.Ms() * 1000.0 / count);

    // Parcelo's size check before each upload (UploadController.cpp), and a check that reads
    // the size without opening the file.
    for (bool real : {true, false}) {
        const std::vector<std::string> items = Narrow(MakePaths(static_cast<size_t>(count), real));
        clock.Restart();
        for (const std::string& item : items) {
            const HANDLE file = CreateFileA(item.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            LARGE_INTEGER size;
            GetFileSizeEx(file, &size);
            CloseHandle(file);
        }
        std::printf("  %-34s %8.1f us per file\n", real ? "size check, open (real files)" : "size check, open (missing files)",
                    clock.Ms() * 1000.0 / count);
        clock.Restart();
        for (const std::string& item : items) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            GetFileAttributesExA(item.c_str(), GetFileExInfoStandard, &data);
        }
        std::printf("  %-34s %8.1f us per file\n",
                    real ? "size check, attributes (real)" : "size check, attributes (missing)",
                    clock.Ms() * 1000.0 / count);
    }
    return 0;
}

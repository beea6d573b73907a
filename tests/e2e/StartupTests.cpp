// Start-up and end as a person sees them: no console window flashes up, no window appears
// but the drop window, and after Exit no process of the program or of its agent is left.
#include "tests/e2e/UserSessionFixture.h"

#include <set>

#include "res/resource.h"


namespace {

// The subsystem an executable asks for in its PE header; 0 when the file is no PE image.
WORD Subsystem(const std::string& path) {
    const std::string image = Contents(path);
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return 0;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        image.size() < static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64))
        return 0;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return 0;
    return nt->OptionalHeader.Subsystem;
}

// Every visible top-level window that is a console, or that belongs to one of `pids` and is
// not `allowed`.
std::vector<std::string> StrayWindows(const std::set<DWORD>& pids, HWND allowed) {
    struct Search {
        const std::set<DWORD>* pids;
        HWND allowed;
        std::vector<std::string> found;
    } search{&pids, allowed, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (!IsWindowVisible(window) || window == s->allowed) return TRUE;
            const std::string className = ClassNameOf(window);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (s->pids->count(pid) || className == "ConsoleWindowClass")
                s->found.push_back(className + " \"" + TextOf(window) + "\" of process " + std::to_string(pid));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

class StartupTest : public UserSessionTest {};

TEST_F(StartupTest, TheProgramAndTheAgentAreWindowsGuiProgramsSoNeitherOpensAConsole) {
    EXPECT_EQ(Subsystem(ParceloPath()), IMAGE_SUBSYSTEM_WINDOWS_GUI) << ParceloPath();
    EXPECT_EQ(Subsystem(WindowsPath(UPLOAD_AGENT_EXE)), IMAGE_SUBSYSTEM_WINDOWS_GUI) << WindowsPath(UPLOAD_AGENT_EXE);
}

TEST_F(StartupTest, AStartWithAutomaticSignInShowsOnlyTheDropWindowAndExitLeavesNoProcessBehind) {
    StoreAutomaticSignIn(account_, "startup pass");
    ASSERT_TRUE(ProcessesNamed("UploadAgent.exe").empty()) << "an agent from before is still running";

    ParceloProcess program;
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    // Looked at again and again while the program starts, connects and signs in.
    std::vector<std::string> strays;
    DWORD agent = 0;
    const bool ready = PumpUntil([&] {
        if (!agent) agent = AgentScript::AgentPid();
        std::set<DWORD> pids = {program.Pid()};
        if (agent) pids.insert(agent);
        for (const std::string& stray : StrayWindows(pids, window)) strays.push_back(stray);
        RECT area = {};
        GetWindowRect(window, &area);
        return agent && IsWindowVisible(window) && ShownFrame(area, "Drag files here", "") >= 0;
    });
    ASSERT_TRUE(ready) << "not signed in";
    EXPECT_TRUE(strays.empty()) << "other windows came up: " << ::testing::PrintToString(strays);
    EXPECT_EQ(ProcessesNamed("UploadAgent.exe"), std::set<DWORD>{agent});
    EXPECT_EQ(ProcessesNamed("parcelo.exe"), std::set<DWORD>{program.Pid()});

    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_TRUE(WaitForProcessEnd(agent)) << "the agent outlived the program";
    EXPECT_TRUE(PumpUntil([] { return ProcessesNamed("UploadAgent.exe").empty(); }, 5000));
    EXPECT_TRUE(ProcessesNamed("parcelo.exe").empty());
}

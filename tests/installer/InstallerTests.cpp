// The per-user setup and its uninstaller, run silently the way a user's machine runs them:
// what the setup puts in place, that the installed program runs against the agent it
// registered, and that the uninstaller takes all of it away again, except what it must keep.
//
// Under Wine every process of the tests runs with an administrator's full token, so the setup
// runs elevated unless a case starts it with SetupToken::Normal (see SetupRunner.h). Only an
// elevated setup takes /MACHINEREG, which Wine needs to find the Local Locker.
//
// These tests replace the prefix's machine-wide agent registration, which other tests rely on,
// so each one ends by putting it back as the test prefix was prepared.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "standin/ControlWindow.h"
#include "standin/StandinIds.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/Files.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Owned.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/ScopedRegValue.h"
#include "tests/support/SetupRunner.h"
#include "tests/support/Variants.h"
#include "tests/support/WindowFacts.h"
#include "win/ComPtr.h"

namespace {

// A setup, an uninstall or a cold agent start; each takes a second or two under Wine. Short
// enough that a failing test still ends, and puts the prefix back, inside ctest's timeout.
constexpr DWORD INSTALL_WAIT_MS = 30000;
// What a setup that stopped gives, and an uninstaller that could not take everything away.
constexpr DWORD FAILED_EXIT = 2;

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parcelo";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where Task Manager turns a Run value off, binary, under the same name.
const wchar_t STARTUP_APPROVED_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
// Everything the agent's registration writes, under either hive's Software\Classes.
const std::string AGENT_CLASS_KEYS[] = {
    std::string("Software\\Classes\\CLSID\\") + standin::REQUEST_CLSID_TEXT,
    std::string("Software\\Classes\\") + agentproto::PROG_ID,
    std::string("Software\\Classes\\Interface\\") + standin::EVENT_IID_TEXT,
    std::string("Software\\Classes\\TypeLib\\") + standin::TYPE_LIB_ID_TEXT,
};
const std::string LOCAL_SERVER_KEY = AGENT_CLASS_KEYS[0] + "\\LocalServer32";
// Wine's boot-time deletions of what setups leave in their temporary folder (ScratchTemp) are
// told apart by this.
const wchar_t SCRATCH_MARKER[] = L"\\parcelo-installer-test-temp\\";

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

std::wstring InstallDir() { return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Parcelo"; }
// Where an update may move it.
std::wstring SecondDir() { return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Parcelo Moved"; }
// A user folder the system code page cannot hold, as under C:\Users\Дмитрий.
std::wstring CyrillicParent() {
    return Folder(CSIDL_LOCAL_APPDATA) + L"\\\x0414\x043c\x0438\x0442\x0440\x0438\x0439";
}
std::wstring CyrillicDir() { return CyrillicParent() + L"\\Parcelo"; }
std::wstring ShortcutFolder() { return Folder(CSIDL_PROGRAMS) + L"\\Parcelo"; }
std::wstring Shortcut() { return ShortcutFolder() + L"\\Parcelo.lnk"; }
std::wstring ScratchTemp() { return Folder(CSIDL_LOCAL_APPDATA) + L"\\parcelo-installer-test-temp"; }

bool Same(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && Same(text.substr(0, prefix.size()), prefix);
}

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L'\\')); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// Asks an agent that runs from `dir` to end through its control window, the way the tests end
// the stand-in, or ends it; only for one that a failed test left without its client.
void EndAgentsIn(const std::wstring& dir) {
    std::vector<UniqueHandle> agents = ProcessesIn("UploadAgent.exe", dir);
    if (agents.empty() || AllEnded(agents, 3000)) return;
    using standin::ControlWindow;
    for (HWND control = FindWindowExW(HWND_MESSAGE, nullptr, ControlWindow::CLASS_NAME, nullptr); control;
         control = FindWindowExW(HWND_MESSAGE, control, ControlWindow::CLASS_NAME, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        for (const UniqueHandle& agent : agents)
            if (GetProcessId(agent.Get()) == pid) PostMessageA(control, ControlWindow::MSG_DIE, 0, 0);
    }
    if (AllEnded(agents)) return;
    // An installed Local Locker has no control window.
    for (const UniqueHandle& agent : agents) TerminateProcess(agent.Get(), 99);
    AllEnded(agents);
}

// Windows' mark on the Run value "Parcelo": `first` 2 on, 3 off; 0 takes it away.
void MarkStartup(BYTE first) {
    const BYTE mark[12] = {first};
    if (first == 0)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, STARTUP_APPROVED_KEY, L"Parcelo");
    else
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueW(HKEY_CURRENT_USER, STARTUP_APPROVED_KEY, L"Parcelo", REG_BINARY, mark, sizeof mark));
}

// A message box's text, from its static control.
std::wstring BoxText(HWND box) {
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, ARRAYSIZE(text));
    return text;
}

bool StartupMarked() {
    return RegGetValueW(HKEY_CURRENT_USER, STARTUP_APPROVED_KEY, L"Parcelo", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

DWORD RunStandin(const std::string& switches) {
    return ProgramProcess("\"" + WindowsPath(STANDIN_AGENT_EXE) + "\" " + switches).WaitForExit(INSTALL_WAIT_MS);
}

ULONGLONG WriteTimeOf(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// A mark on a file that only its replacement takes away: a write time a day back. Its value.
ULONGLONG MarkFile(const std::wstring& file) {
    const ULONGLONG marked = WriteTimeOf(file) - 24ull * 3600 * 10000000;
    const FILETIME time = {static_cast<DWORD>(marked), static_cast<DWORD>(marked >> 32)};
    UniqueHandle opened(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    EXPECT_TRUE(SetFileTime(opened.Get(), nullptr, nullptr, &time));
    return marked;
}

// The local date `secondsAgo` seconds ago, as YYYYMMDD.
std::string LocalDate(ULONGLONG secondsAgo) {
    SYSTEMTIME now = {}, then = {};
    FILETIME time = {};
    GetLocalTime(&now);
    SystemTimeToFileTime(&now, &time);
    const ULONGLONG earlier =
        ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) - secondsAgo * 10000000;
    time = {static_cast<DWORD>(earlier), static_cast<DWORD>(earlier >> 32)};
    FileTimeToSystemTime(&time, &then);
    char date[16];
    snprintf(date, sizeof date, "%04u%02u%02u", then.wYear, then.wMonth, then.wDay);
    return date;
}

struct Link {
    std::wstring target, arguments;
};

// The target as the link's ID list has it: Wine keeps the path in the link's location block
// only in the code page (a Cyrillic folder comes back as "???"), the ID list whole.
Link ReadShortcut(const std::wstring& path) {
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {};
    PIDLIST_ABSOLUTE ids = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.PutVoid())))
        return {L"<no shell link>", L""};
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
        FAILED(file->Load(path.c_str(), STGM_READ)) || FAILED(shellLink->GetIDList(&ids)) ||
        FAILED(shellLink->GetArguments(arguments, MAX_PATH)))
        return {L"<unreadable>", L""};
    const bool found = SHGetPathFromIDListW(ids, target) != FALSE;
    CoTaskMemFree(ids);
    return {found ? target : L"<no path>", arguments};
}

// A value under HKLM\Software\Classes in the 64-bit view or, `view` KEY_WOW64_32KEY, in the one
// 32-bit programs see.
void SetClassText(const std::string& key, const char* name, const std::wstring& text, REGSAM view = 0) {
    ASSERT_TRUE(SetRegText(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key, name, text, view)) << key;
}

void DeleteClassKey(const std::string& key, REGSAM view = 0) {
    const std::wstring path = Wide("Software\\Classes\\" + key);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &opened) == ERROR_SUCCESS) {
        const OwnedKey owned(opened);
        RegDeleteTreeW(opened, nullptr);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
}

// Another vendor's agent, registered for all users as its own setup would have done it:
// what a setup of Parcelo must never take over. Gone again with this object.
class ForeignAgent {
public:
    // A 32-bit agent: its class in the 32-bit view only, the ProgID where every view sees it.
    // `server` names the program.
    static ForeignAgent ThirtyTwoBit(const std::wstring& server) {
        ForeignAgent agent;
        agent.keys_ = {{"CLSID\\" + std::string(standin::REQUEST_CLSID_TEXT), KEY_WOW64_32KEY},
                       {agentproto::PROG_ID, 0}};
        SetClassText(agent.keys_[0].first + "\\LocalServer32", nullptr, server, KEY_WOW64_32KEY);
        SetClassText(agent.keys_[1].first + "\\CLSID", nullptr, standin::REQUEST_CLSID_TEXT_W);
        return agent;
    }
    // A service, reached through the ProgID's CurVer and the class's AppID.
    static ForeignAgent Service() {
        const char* const id = "{5B0C3F52-7A4E-4D8B-9C61-2E7F0D3A9B14}";
        ForeignAgent agent;
        agent.keys_ = {{agentproto::PROG_ID, 0}, {std::string(agentproto::PROG_ID) + ".3", 0},
                       {std::string("CLSID\\") + id, 0}, {std::string("AppID\\") + id, 0}};
        SetClassText(agent.keys_[0].first + "\\CurVer", nullptr, Wide(agent.keys_[1].first));
        SetClassText(agent.keys_[1].first + "\\CLSID", nullptr, Wide(id));
        SetClassText(agent.keys_[2].first, "AppID", Wide(id));
        SetClassText(agent.keys_[3].first, "LocalService", L"VelorexUploadAgent");
        return agent;
    }
    ForeignAgent(ForeignAgent&& other) noexcept : keys_(std::move(other.keys_)) { other.keys_.clear(); }
    ForeignAgent(const ForeignAgent&) = delete;
    ForeignAgent& operator=(const ForeignAgent&) = delete;
    ~ForeignAgent() {
        for (const auto& key : keys_) DeleteClassKey(key.first, key.second);
    }

    // All of it, to tell that nothing was changed.
    std::string Registration() const {
        std::string all;
        for (const auto& key : keys_)
            all += KeyContents(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key.first, key.second);
        return all;
    }

private:
    ForeignAgent() = default;
    std::vector<std::pair<std::string, REGSAM>> keys_;
};

}  // namespace

// A setup or uninstaller run that ended by itself, with that exit code; the case stops when it
// did not end.
#define EXPECT_ENDED_WITH(code, run)     \
    do {                                 \
        const RunResult ended = (run);   \
        ASSERT_TRUE(ended.finished);     \
        EXPECT_EQ(code, ended.exitCode); \
    } while (0)

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        vendorKeyExisted_ = KeyExists(HKEY_CURRENT_USER, VENDOR_KEY);
        RemoveLeftovers();
        CreateDirectoryW(ScratchTemp().c_str(), nullptr);
        // A stand-in server still running from an earlier test would answer in place of the
        // agent the setup registers.
        ASSERT_TRUE(AllEnded(ProcessesIn("UploadAgent.exe", L""))) << "an UploadAgent from an earlier test still runs";
        ASSERT_FALSE(Exists(InstallDir()));
        ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));
    }

    void TearDown() override {
        program_.reset();
        if (!account_.empty())
            RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + account_).c_str());
        RemoveLeftovers();
        ForgetPendingDeletes(SCRATCH_MARKER);
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT_KEY);
        RegDeleteKeyA(HKEY_CURRENT_USER, PRODUCT_KEY);
        if (!vendorKeyExisted_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, VENDOR_KEY);
            RegDeleteKeyA(HKEY_CURRENT_USER, VENDOR_KEY);
        }
        // The prefix as prepared: the build's stand-in, machine-wide, scripted.
        EXPECT_EQ(0u, RunStandin("/RegServer /machine /scripted"));
        ITypeLib* library = nullptr;
        EXPECT_HRESULT_SUCCEEDED(LoadRegTypeLib(standin::TYPE_LIB_ID, standin::TYPE_LIB_MAJOR, standin::TYPE_LIB_MINOR,
                                                0, &library));
        if (library) library->Release();
        CoUninitialize();
    }

    // Whatever an earlier or failed run left in any folder a case installs into: the programs
    // it started, the files, a registration or a Run value pointing there; the shortcut, the
    // uninstall entry, the scratch folder.
    static void RemoveLeftovers() {
        for (const std::wstring& dir : {InstallDir(), SecondDir(), CyrillicDir()}) {
            EndAgentsIn(dir);
            for (UniqueHandle& program : ProcessesIn("parcelo.exe", dir)) TerminateProcess(program.Get(), 99);
            if (StartsWith(FromUtf8(RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY)), L"\"" + dir + L"\\"))
                for (const std::string& key : AGENT_CLASS_KEYS) {
                    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
                    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
                }
            if (StartsWith(FromUtf8(RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo")), L"\"" + dir + L"\\"))
                RegDeleteKeyValueA(HKEY_CURRENT_USER, RUN_KEY, "Parcelo");
            RemoveTree(dir);
        }
        RemoveTree(CyrillicParent());
        RemoveTree(ShortcutFolder());
        RegDeleteTreeA(HKEY_CURRENT_USER, UNINSTALL_KEY);
        RegDeleteKeyA(HKEY_CURRENT_USER, UNINSTALL_KEY);
        RemoveTree(ScratchTemp());
    }

    // `setup`: this build's, or the same one as a later version (LATER_SETUP, 2.5.1.7).
    static RunResult Install(const std::wstring& switches, SetupToken token = SetupToken::AsThisProcess,
                             const char* setup = PARCELO_SETUP) {
        SetupRun run(Quoted(Wide(WindowsPath(setup))) + L" /S" + switches, ScratchTemp(), false, token);
        return run.Wait(INSTALL_WAIT_MS, [] {
            // An agent killed without revoking its class stays registered with Wine's COM, and
            // every later start of one fails: it is asked to end first, the way it allows.
            for (const std::wstring& dir : {InstallDir(), SecondDir(), CyrillicDir()}) EndAgentsIn(dir);
        });
    }
    static RunResult Uninstall(const std::wstring& switches, const std::wstring& dir = InstallDir()) {
        SetupRun run(Quoted(dir + L"\\uninstall.exe") + L" /S" + switches, ScratchTemp(), true);
        return run.Wait(INSTALL_WAIT_MS, [&] { EndAgentsIn(dir); });
    }
    // The uninstall entry's own quiet command, as a package manager runs it: only that process
    // is waited for, and its exit code is the one that counts.
    static RunResult QuietUninstall(SetupToken token = SetupToken::AsThisProcess) {
        const std::wstring command = FromUtf8(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "QuietUninstallString"));
        SetupRun run(command, ScratchTemp(), false, token);
        return run.Wait(INSTALL_WAIT_MS, [] { EndAgentsIn(InstallDir()); });
    }

    // Starts the installed program the way its shortcut does and waits for its window, and for
    // the agent that COM started for it from `agentDir`: the install folder, which only the
    // setup's registration can lead to, unless another agent is registered.
    void StartProgram(const std::wstring& dir = InstallDir(), std::wstring agentDir = L"") {
        const Link link = ReadShortcut(Shortcut());
        ASSERT_TRUE(Same(dir + L"\\parcelo.exe", link.target)) << Utf8(link.target);
        program_ = std::make_unique<ParceloProcess>(Utf8(link.arguments), link.target);
        ASSERT_TRUE(program_->Started());
        HWND window = program_->ShownWindow(INSTALL_WAIT_MS);
        ASSERT_NE(nullptr, window);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        WaitForAgentIn(agentDir.empty() ? dir : agentDir);
    }
    void WaitForAgentIn(const std::wstring& agentDir) {
        ASSERT_TRUE(PumpUntil([&] { return !(agents_ = ProcessesIn("UploadAgent.exe", agentDir)).empty(); },
                              INSTALL_WAIT_MS))
            << "no agent started from " << Utf8(agentDir);
    }
    // The Parcelo that a setup started again, running from `dir`, its window shown.
    void AdoptRestarted(const std::wstring& dir) {
        std::vector<UniqueHandle> restarted;
        ASSERT_TRUE(PumpUntil([&] { return !(restarted = ProcessesIn("parcelo.exe", dir)).empty(); }, INSTALL_WAIT_MS))
            << "not started again from " << Utf8(dir);
        program_ = std::make_unique<ParceloProcess>(std::move(restarted.front()));
        ASSERT_NE(nullptr, program_->ShownWindow(INSTALL_WAIT_MS));
    }
    void ExitProgram() {
        ASSERT_TRUE(program_);
        EXPECT_EQ(0u, program_->Exit(INSTALL_WAIT_MS));
        // The agent ends with its last client, and only then may its file go.
        EXPECT_TRUE(AllEnded(agents_, INSTALL_WAIT_MS));
        agents_.clear();
    }

    // `locker`: with the Local Locker, registered per user and, `machineWide`, for all users.
    void ExpectInstalled(bool locker, bool machineWide, const std::wstring& dir = InstallDir(),
                         const char* version = "1.0.0") {
        EXPECT_TRUE(Contents(ParceloPath()) == Contents(dir + L"\\parcelo.exe"));
        EXPECT_EQ(locker, Contents(WindowsPath(STANDIN_AGENT_EXE)) == Contents(dir + L"\\UploadAgent.exe"));
        EXPECT_TRUE(Exists(dir + L"\\uninstall.exe"));

        // Started by hand, Parcelo shows itself: the switch as the program looks for it.
        const Link link = ReadShortcut(Shortcut());
        EXPECT_TRUE(Same(dir + L"\\parcelo.exe", link.target)) << Utf8(link.target);
        EXPECT_EQ(L" /showparcelo", link.arguments);

        EXPECT_EQ("Parcelo", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayName"));
        EXPECT_EQ(version, RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayVersion"));
        DWORD major = 0, minor = 0;
        ASSERT_EQ(2, sscanf(version, "%lu.%lu", &major, &minor));
        EXPECT_EQ(major, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "VersionMajor"));
        EXPECT_EQ(minor, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "VersionMinor"));
        // Today, or yesterday when midnight passed since the setup ran.
        const std::string installed = RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallDate");
        EXPECT_TRUE(installed == LocalDate(0) || installed == LocalDate(INSTALL_WAIT_MS / 1000)) << installed;
        EXPECT_EQ("Sonavo Inc.", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "Publisher"));
        // In place (_?=): the caller waits for the end.
        EXPECT_TRUE(Same(Quoted(dir + L"\\uninstall.exe") + L" _?=" + dir,
                         FromUtf8(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "UninstallString"))));
        EXPECT_TRUE(Same(dir, FromUtf8(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation"))));
        EXPECT_TRUE(
            StartsWith(FromUtf8(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayIcon")), dir + L"\\parcelo.exe"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoModify"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoRepair"));
        DWORD bytes = 0;
        for (const wchar_t* file : {L"parcelo.exe", L"UploadAgent.exe", L"uninstall.exe"}) {  // one absent: 0
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            GetFileAttributesExW((dir + L"\\" + file).c_str(), GetFileExInfoStandard, &data);
            bytes += data.nFileSizeLow;
        }
        const DWORD kilobytes = RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "EstimatedSize");
        EXPECT_GE(kilobytes, bytes / 1024);
        EXPECT_LE(kilobytes, bytes / 1024 + 3);

        if (!locker) {
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, LOCAL_SERVER_KEY));
            EXPECT_EQ(ABSENT_NUMBER, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "MachineRegistration"));
            return;
        }
        // The exact path, whatever script its folders are named in: COM starts what it says.
        const std::string agent = Utf8(Quoted(dir + L"\\UploadAgent.exe"));
        EXPECT_EQ(agent, RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY));
        EXPECT_EQ(machineWide ? 1u : ABSENT_NUMBER, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "MachineRegistration"));
        if (machineWide) {
            EXPECT_EQ(agent, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
            CLSID clsid = {};
            EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid));
            EXPECT_TRUE(IsEqualCLSID(standin::REQUEST_CLSID, clsid));
        }
    }

    // Nothing of the install in `dir` is left; `machineWide`: nor of the agent's machine-wide
    // registration.
    void ExpectNothingLeft(bool machineWide, const std::wstring& dir = InstallDir()) {
        for (const wchar_t* file : {L"parcelo.exe", L"UploadAgent.exe"})
            EXPECT_FALSE(Exists(dir + L"\\" + file)) << Utf8(file);
        // The uninstaller that a caller waited for in place goes, with the folder, as it ends.
        EXPECT_TRUE(PumpUntil([&] { return !Exists(dir); }, INSTALL_WAIT_MS)) << "left: " << Utf8(dir);
        EXPECT_FALSE(Exists(Shortcut()));
        EXPECT_FALSE(Exists(ShortcutFolder()));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));
        EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
        EXPECT_FALSE(StartupMarked());
        for (const std::string& key : AGENT_CLASS_KEYS) {
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << "HKCU\\" << key;
            if (machineWide) {
                EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << "HKLM\\" << key;
            }
        }
        if (machineWide) {
            CLSID clsid = {};
            EXPECT_HRESULT_FAILED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid));
        }
    }

    // Settings as the program saves them, with something of the user's own among them.
    std::string SavedSettings() {
        EXPECT_TRUE(SetRegText(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\User", "Email", L"someone@example.com"));
        StartProgram();
        ExitProgram();
        return KeyContents(HKEY_CURRENT_USER, PRODUCT_KEY);
    }

    // An account name of the case's own for the Local Locker, whose account is removed again.
    std::string Account(const char* tag) {
        return account_ = tag + std::to_string(GetCurrentProcessId()) + "@example.com";
    }

    std::optional<ScopedRegValue> menuBuilderOff_ = MenuBuilderOff();
    std::string account_;
    std::unique_ptr<ParceloProcess> program_;
    std::vector<UniqueHandle> agents_;
    bool vendorKeyExisted_ = false;
};

TEST_F(InstallerTest, InstallsRunsAndUninstallsWithoutLeftovers) {
    // No agent registered: the Local Locker comes with the setup by default.
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    const RunResult setup = Install(L" /MACHINEREG");
    ASSERT_TRUE(setup.finished);
    ASSERT_EQ(0u, setup.exitCode);
    ExpectInstalled(true, true);
    // Autostart by default, hidden in the tray: the quoted path and no switch.
    EXPECT_EQ(Utf8(Quoted(InstallDir() + L"\\parcelo.exe")), RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    // One version in the version resources of the setup and of both programs, in four parts
    // from the three of the version.
    for (const std::wstring& file : {Wide(WindowsPath(PARCELO_SETUP)), InstallDir() + L"\\parcelo.exe",
                                     InstallDir() + L"\\UploadAgent.exe"}) {
        DWORD handle = 0;
        std::vector<BYTE> info(GetFileVersionInfoSizeW(file.c_str(), &handle) + 1);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) << Utf8(file);
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
        EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS) << Utf8(file);
        EXPECT_EQ(0u, fixed->dwProductVersionLS) << Utf8(file);
    }

    StartProgram();
    ExitProgram();
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // the program saved its settings

    // Registered for all users, the agent can only be unregistered by an administrator: without
    // the rights, nothing is deleted.
    EXPECT_ENDED_WITH(FAILED_EXIT, QuietUninstall(SetupToken::Normal));
    ExpectInstalled(true, true);

    // Windows' mark goes with this install's Run value; the entry's quiet command returns only
    // once everything is gone.
    MarkStartup(2);
    EXPECT_ENDED_WITH(0u, QuietUninstall());
    ExpectNothingLeft(true);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // settings stay unless asked
}

TEST_F(InstallerTest, UninstallClosesTheProgramAndClearSettingsDeletesOnlyItsKey) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    ASSERT_EQ(0u, Install(L" /MACHINEREG /NOAUTOSTART").exitCode);
    ExpectInstalled(true, true);
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    ASSERT_TRUE(SetRegText(HKEY_CURRENT_USER, std::string(PRODUCT_KEY) + "\\User", "Email", L"someone@example.com"));
    // The Local Locker's own settings are not Parcelo's.
    ScopedRegValue quota(HKEY_CURRENT_USER, standin::AGENT_KEY, "QuotaBytes", 12345);
    StartProgram();
    // Another copy's start at sign-in, and Windows' mark on it, are not this uninstaller's.
    const std::wstring otherCopy = L"\"C:\\Other\\parcelo.exe\"";
    ScopedRegValue otherRun(HKEY_CURRENT_USER, RUN_KEY, "Parcelo", otherCopy);
    MarkStartup(3);

    // The running program is closed first: what it saves on its way out is deleted after it.
    EXPECT_ENDED_WITH(0u, Uninstall(L" /CLEARSETTINGS"));
    EXPECT_EQ(Utf8(otherCopy), RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    EXPECT_TRUE(StartupMarked());
    MarkStartup(0);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, RUN_KEY, "Parcelo");
    EXPECT_EQ(0u, program_->WaitForExit(0));
    EXPECT_TRUE(AllEnded(agents_));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, VENDOR_KEY));
    EXPECT_EQ(12345u, RegNumber(HKEY_CURRENT_USER, standin::AGENT_KEY, "QuotaBytes"));
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, AnUpdateClosesTheRunningProgramAndStartsItAgain) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    ASSERT_EQ(0u, Install(L" /MACHINEREG").exitCode);
    const std::string settings = SavedSettings();
    StartProgram();
    // A mark on the running copy that only a replacement takes away.
    const std::wstring exe = InstallDir() + L"\\parcelo.exe";
    const ULONGLONG marked = MarkFile(exe);

    EXPECT_ENDED_WITH(0u, Install(L" /MACHINEREG /NOAUTOSTART"));
    EXPECT_EQ(0u, program_->WaitForExit(0));  // ended by its own Exit
    EXPECT_TRUE(AllEnded(agents_));
    EXPECT_NE(marked, WriteTimeOf(exe));
    ExpectInstalled(true, true);
    // The switch turns the start at sign-in off; a later update without it keeps it off.
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));

    // Back as it was: running from the install folder, its window shown, its settings
    // untouched. The setup ran elevated, and Wine's desktop does too: so may Parcelo then.
    AdoptRestarted(InstallDir());
    EXPECT_EQ(settings, KeyContents(HKEY_CURRENT_USER, PRODUCT_KEY));
    WaitForAgentIn(InstallDir());
    ExitProgram();

    ASSERT_EQ(0u, Install(L" /MACHINEREG").exitCode);
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    ASSERT_TRUE(Uninstall(L"").finished);
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, AnUpdateIntoAnotherFolderRemovesTheEarlierCopyFirst) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    ASSERT_EQ(0u, Install(L" /MACHINEREG").exitCode);
    const std::string settings = SavedSettings();
    StartProgram();

    // A later version, four parts to it, into another folder: the earlier copy is closed and
    // removed by its own uninstaller, and its Local Locker counts as this install's.
    EXPECT_ENDED_WITH(0u, Install(L" /MACHINEREG /D=" + SecondDir(), SetupToken::AsThisProcess, LATER_SETUP));
    EXPECT_EQ(0u, program_->WaitForExit(0));
    EXPECT_TRUE(AllEnded(agents_));
    EXPECT_FALSE(Exists(InstallDir()));
    ExpectInstalled(true, true, SecondDir(), "2.5.1.7");
    EXPECT_EQ(Utf8(Quoted(SecondDir() + L"\\parcelo.exe")), RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    AdoptRestarted(SecondDir());
    EXPECT_EQ(settings, KeyContents(HKEY_CURRENT_USER, PRODUCT_KEY));
    WaitForAgentIn(SecondDir());
    ExitProgram();

    ASSERT_TRUE(Uninstall(L"", SecondDir()).finished);
    ExpectNothingLeft(true, SecondDir());
}

TEST_F(InstallerTest, AFileThatCannotBeWrittenStopsTheUpdateAndParceloRunsAgain) {
    // The prefix's own agent serves it: no Local Locker.
    ASSERT_EQ(0u, Install(L"").exitCode);
    StartProgram(InstallDir(), FolderOf(Wide(WindowsPath(STANDIN_AGENT_EXE))));
    const std::wstring exe = InstallDir() + L"\\parcelo.exe";
    const ULONGLONG marked = MarkFile(exe);
    {
        // As a virus scanner holds a file it reads: Parcelo itself is closed, yet its file
        // cannot be written.
        UniqueHandle held(CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        EXPECT_ENDED_WITH(FAILED_EXIT, Install(L"", SetupToken::AsThisProcess, LATER_SETUP));
        EXPECT_EQ(0u, program_->WaitForExit(0));
    }
    EXPECT_EQ(marked, WriteTimeOf(exe));
    ExpectInstalled(false, false);  // the earlier version, as it was
    AdoptRestarted(InstallDir());
    WaitForAgentIn(FolderOf(Wide(WindowsPath(STANDIN_AGENT_EXE))));
    ExitProgram();
    ASSERT_TRUE(Uninstall(L"").finished);
    ExpectNothingLeft(false);
}

TEST_F(InstallerTest, AParceloThatDoesNotEndIsNeverStartedASecondTime) {
    ASSERT_EQ(0u, Install(L"").exitCode);
    StartProgram(InstallDir(), FolderOf(Wide(WindowsPath(STANDIN_AGENT_EXE))));
    // Its window's thread does not run, as during a long call: Exit waits in its queue.
    const UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE,
                                         GetWindowThreadProcessId(program_->ShownWindow(), nullptr)));
    ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(thread.Get()));
    // The setup waits for it to end (15 s), then for its folder to be free (10 s), and stops.
    SetupRun update(Quoted(Wide(WindowsPath(PARCELO_SETUP))) + L" /S", ScratchTemp(), false);
    const RunResult stopped = update.Wait(2 * INSTALL_WAIT_MS);
    EXPECT_EQ(1u, ProcessesIn("parcelo.exe", InstallDir()).size());  // not a second one beside it
    ResumeThread(thread.Get());
    ASSERT_TRUE(stopped.finished);
    EXPECT_EQ(FAILED_EXIT, stopped.exitCode);
    EXPECT_EQ(0u, program_->WaitForExit(INSTALL_WAIT_MS));  // the Exit it was sent
    EXPECT_TRUE(AllEnded(agents_, INSTALL_WAIT_MS));
    ASSERT_EQ(0u, Uninstall(L"").exitCode);
    ExpectNothingLeft(false);
}

TEST_F(InstallerTest, AnotherRegisteredAgentIsLeftAloneAndUsed) {
    // The prefix's own agent, from the build folder, is the other one here.
    const std::string before = KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]);
    ASSERT_NE(ABSENT_TEXT, before);

    ASSERT_EQ(0u, Install(L" /MACHINEREG").exitCode);
    ExpectInstalled(false, true);
    EXPECT_FALSE(Exists(InstallDir() + L"\\UploadAgent.exe"));
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
    StartProgram(InstallDir(), FolderOf(Wide(WindowsPath(STANDIN_AGENT_EXE))));
    ExitProgram();

    // Asked for, the Local Locker comes for this user, and the agent of all users stays.
    ASSERT_EQ(0u, Install(L" /MACHINEREG /LOCALLOCKER").exitCode);
    ExpectInstalled(true, false);
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));

    // An unregistration that fails is reported, in the exit code of the entry's quiet command
    // too. Here the agent's file is broken, as a virus scanner may leave it: it stays, with the
    // registration that names it; everything else goes.
    ASSERT_TRUE(WriteBytes(InstallDir() + L"\\UploadAgent.exe", "not a program"));
    EXPECT_ENDED_WITH(FAILED_EXIT, QuietUninstall());
    EXPECT_TRUE(StartsWith(FromUtf8(RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY)), L"\"" + InstallDir() + L"\\"));
    EXPECT_TRUE(Exists(InstallDir() + L"\\UploadAgent.exe"));
    EXPECT_FALSE(Exists(InstallDir() + L"\\parcelo.exe"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
}

TEST_F(InstallerTest, AnAgentIn32BitViewOrAsAServiceIsNeverTakenOver) {
    {
        // A registration whose program is gone is no agent: the Local Locker comes.
        const ForeignAgent gone = ForeignAgent::ThirtyTwoBit(L"\"C:\\Program Files (x86)\\Velorex\\UploadAgent.exe\"");
        ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
        ASSERT_EQ(0u, Install(L"").exitCode);
        ExpectInstalled(true, false);
        ASSERT_EQ(0u, Uninstall(L"").exitCode);
    }
    ASSERT_EQ(0u, RunStandin("/RegServer /machine"));
    {
        // The stand-in's own unregistration takes its class away, and leaves the ProgID that
        // the 32-bit agent's class shares. (Its program: one that is there.)
        const ForeignAgent agent = ForeignAgent::ThirtyTwoBit(Quoted(Wide(WindowsPath(STANDIN_AGENT_EXE))));
        const std::string registration = agent.Registration();
        ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));  // not in the 64-bit view
        EXPECT_EQ(registration, agent.Registration());
        ASSERT_EQ(0u, Install(L"").exitCode);
        ExpectInstalled(false, false);
        EXPECT_EQ(registration, agent.Registration());
        ASSERT_EQ(0u, Uninstall(L"").exitCode);
        ExpectNothingLeft(false);
        EXPECT_EQ(registration, agent.Registration());
    }
    // Nor a ProgID whose CurVer leads on to another agent's class.
    ASSERT_EQ(0u, RunStandin("/RegServer /machine"));
    const ForeignAgent agent = ForeignAgent::Service();
    const std::string registration = agent.Registration();
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
    EXPECT_EQ(registration, agent.Registration());
    ASSERT_EQ(0u, Install(L" /MACHINEREG /LOCALLOCKER").exitCode);
    ExpectInstalled(true, false);  // for this user only: the service serves all users
    EXPECT_EQ(registration, agent.Registration());
    ASSERT_EQ(0u, Uninstall(L"").exitCode);
    ExpectNothingLeft(false);
    EXPECT_EQ(registration, agent.Registration());
}

TEST_F(InstallerTest, ANormalUsersSetupRegistersPerUserAndAnUpdateKeepsItsChoices) {
    const std::string before = KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]);
    ASSERT_NE(ABSENT_TEXT, before);  // the build's stand-in, as the test prefix was prepared
    // Registering for all users is an administrator's: refused before anything is changed.
    EXPECT_ENDED_WITH(FAILED_EXIT, Install(L" /MACHINEREG /LOCALLOCKER", SetupToken::Normal));
    EXPECT_FALSE(Exists(InstallDir()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));

    ASSERT_EQ(0u, Install(L" /LOCALLOCKER", SetupToken::Normal).exitCode);
    ExpectInstalled(true, false);
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
    EXPECT_NE(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));

    // The user turns the start at sign-in off in Task Manager, which leaves the Run value: an
    // update keeps it off. Where a per-user Local Locker would hide the registered agent (as
    // Windows lets it), an update that is not asked for it takes it away.
    MarkStartup(3);
    ASSERT_EQ(0u, Install(L"", SetupToken::Normal).exitCode);
    ExpectInstalled(false, false);
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    EXPECT_FALSE(StartupMarked());
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
    // Asked for, it is on again, whatever the mark said.
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, Wide(RUN_KEY).c_str(), L"Parcelo", REG_SZ,
                                             L"\"x\"", sizeof L"\"x\""));
    MarkStartup(3);
    ASSERT_EQ(0u, Install(L" /AUTOSTART", SetupToken::Normal).exitCode);
    EXPECT_EQ(Utf8(Quoted(InstallDir() + L"\\parcelo.exe")), RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    EXPECT_FALSE(StartupMarked());

    ASSERT_TRUE(Uninstall(L"").finished);
    ExpectNothingLeft(false);
    EXPECT_EQ(before, KeyContents(HKEY_LOCAL_MACHINE, AGENT_CLASS_KEYS[0]));
}

TEST_F(InstallerTest, ASecondSetupSaysOneIsAlreadyRunning) {
    // The first waits on its folder page for someone to go on.
    SetupRun first(Quoted(Wide(WindowsPath(PARCELO_SETUP))), ScratchTemp(), false);
    ProgramProcess firstWindows;
    firstWindows.Adopt(UniqueHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                                FALSE, first.Pid())));
    ASSERT_NE(nullptr, firstWindows.WaitForShown("#32770", nullptr, INSTALL_WAIT_MS));

    EXPECT_ENDED_WITH(FAILED_EXIT, Install(L""));
    EXPECT_FALSE(Exists(InstallDir()));

    SetupRun second(Quoted(Wide(WindowsPath(PARCELO_SETUP))), ScratchTemp(), false);
    ProgramProcess secondWindows;
    secondWindows.Adopt(UniqueHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                                 FALSE, second.Pid())));
    HWND box = secondWindows.WaitForShown("#32770", nullptr, INSTALL_WAIT_MS);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"Parcelo Setup is already running. Finish it first, then start this one again.", BoxText(box));
    PostClick(box, IDOK);
    EXPECT_EQ(FAILED_EXIT, second.Wait(INSTALL_WAIT_MS).exitCode);
}

TEST_F(InstallerTest, TheLocalLockerWorksFromAFolderNamedInCyrillic) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    const std::wstring dir = CyrillicDir();
    ASSERT_EQ(0u, Install(L" /MACHINEREG /D=" + dir).exitCode);
    ExpectInstalled(true, true, dir);

    // A Locker and a song under names the code page cannot hold either.
    const std::wstring lockerRoot = CyrillicParent() + L"\\\x041b\x043e\x043a\x0435\x0440";
    const std::wstring song = CyrillicParent() + L"\\\x041f\x0435\x0441\x043d\x044f.mp3";
    ASSERT_TRUE(WriteBytes(song, "ID3 " + std::string(70000, 'x')));
    ScopedRegValue locker(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", lockerRoot);
    const std::string account = Account("cyrillic");

    std::optional<DragThread> drag;  // declared first, so that a failed test ends the program before the drag
    program_ = std::make_unique<ParceloProcess>(" /showparcelo", dir + L"\\parcelo.exe");
    HWND window = program_->ShownWindow(INSTALL_WAIT_MS);
    ASSERT_NE(nullptr, window);
    WaitForAgentIn(dir);
    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({song})});
    HWND dialog = program_->Dialog("Sign In");
    ASSERT_NE(nullptr, dialog);
    SetTextOf(dialog, IDC_EMAIL, account);
    SetTextOf(dialog, IDC_PASSWORD, "pass");
    PostClick(dialog, IDOK);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), drag->Finish().effect);
    const std::wstring inLocker = lockerRoot + L"\\" + Wide(account) + L"\\\x041f\x0435\x0441\x043d\x044f.mp3";
    EXPECT_TRUE(PumpUntil([&] { return Exists(inLocker); }, INSTALL_WAIT_MS));
    EXPECT_TRUE(Contents(inLocker) == Contents(song));
    ExitProgram();

    // Everything of the install goes; the user's Locker and its files stay.
    EXPECT_ENDED_WITH(0u, Uninstall(L" /CLEARSETTINGS", dir));
    ExpectNothingLeft(true, dir);
    EXPECT_TRUE(Contents(inLocker) == Contents(song));
}

// The Local Locker goes on with what was dropped after Parcelo has gone; an update does not
// wait minutes for it: it ends the Locker, which keeps what still waits and takes it up again.
TEST_F(InstallerTest, AnUpdateEndsTheLocalLockerThatGoesOnAfterParcelo) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    ASSERT_EQ(0u, Install(L" /MACHINEREG").exitCode);
    const std::wstring lockerRoot = ScratchTemp() + L"\\Locker";
    ScopedRegValue locker(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", lockerRoot);
    const std::string account = Account("update");
    LoopbackServer server("ID3 song", true);  // the first download stays in progress
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/second.mp3";
    {
        ComPtr<IDispatch> agent;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(standin::REQUEST_CLSID, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                                  agent.PutVoid()));
        auto call = [&](DISPID id, std::vector<VARIANT> args) {
            DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
            VARIANT result;
            VariantInit(&result);
            const HRESULT hr = agent->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
            for (VARIANT& arg : args) VariantClear(&arg);
            const bool yes = SUCCEEDED(hr) && result.vt == VT_I4 && result.lVal;
            VariantClear(&result);
            return yes;
        };
        call(agentproto::DispSignIn, {Text(L"x"), Text(L"pass"), Text(Wide(account).c_str())});  // last first
        ASSERT_TRUE(PumpUntil([&] { return call(agentproto::DispIsSignedIn, {}); }, INSTALL_WAIT_MS));
        const std::wstring first = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/first.mp3";
        call(agentproto::DispUpload, {Flag(false), Text(first.c_str())});
        call(agentproto::DispUpload, {Flag(false), Text(url.c_str())});
        ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }, INSTALL_WAIT_MS));
    }  // let go: the Locker stays for its queue
    std::vector<UniqueHandle> agents = ProcessesIn("UploadAgent.exe", InstallDir());
    ASSERT_EQ(1u, agents.size());
    ASSERT_FALSE(AllEnded(agents, 2000));

    EXPECT_ENDED_WITH(0u, Install(L" /MACHINEREG"));
    EXPECT_TRUE(AllEnded(agents, 0));
    const std::string queue = Contents(lockerRoot + L"\\" + Wide(account) + L"\\Waiting uploads.queue");
    EXPECT_NE(std::string::npos, queue.find(std::string(reinterpret_cast<const char*>(url.c_str()), url.size() * 2)));
    server.Release();
    ASSERT_EQ(0u, Uninstall(L"").exitCode);
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, TheLocalLockerStepsAsideForAnAgentInstalledLater) {
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    ASSERT_EQ(0u, Install(L"", SetupToken::Normal).exitCode);
    ExpectInstalled(true, false);
    // The real agent comes later, for all users: here the build's stand-in from its own folder.
    ASSERT_EQ(0u, RunStandin("/RegServer /machine /scripted"));
    const std::wstring agentDir = FolderOf(Wide(WindowsPath(STANDIN_AGENT_EXE)));
    const std::wstring lockerRoot = ScratchTemp() + L"\\Locker";
    ScopedRegValue locker(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", lockerRoot);

    // Wine ignores the per-user registration anyway: what shows is that it is gone, and the box.
    program_ = std::make_unique<ParceloProcess>(" /showparcelo", InstallDir() + L"\\parcelo.exe");
    HWND box = program_->Dialog("Parcelo", INSTALL_WAIT_MS);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(L"UploadAgent is installed now. Parcelo uses it instead of the Local Locker; what you dropped before "
              L"stays in " + lockerRoot + L".",
              BoxText(box));
    for (const std::string& key : AGENT_CLASS_KEYS) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << key;
    PostClick(box, IDOK);
    ASSERT_NE(nullptr, program_->ShownWindow(INSTALL_WAIT_MS));
    WaitForAgentIn(agentDir);
    ExitProgram();

    // Said once: registered for the user again, the Locker steps aside without a word. (Wine
    // registers a per-user type library for all users: the agent's is put back.)
    ASSERT_EQ(0u, ProgramProcess(Quoted(InstallDir() + L"\\UploadAgent.exe") + L" /RegServer").WaitForExit(INSTALL_WAIT_MS));
    ASSERT_EQ(0u, RunStandin("/RegServer /machine /scripted"));
    StartProgram(InstallDir(), agentDir);
    EXPECT_EQ(nullptr, program_->FindShown("#32770", "Parcelo"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, LOCAL_SERVER_KEY));
    ExitProgram();
    ASSERT_EQ(0u, Uninstall(L"").exitCode);
    ExpectNothingLeft(false);
}

TEST_F(InstallerTest, AnEarlierCopyRemovedWithWarningsOrARoamedEntryLeavesAnInstall) {
    // The earlier copy's Local Locker cannot be unregistered (its file is broken): its
    // uninstaller ends with exit code 2, having removed the rest, and the update goes on.
    ASSERT_EQ(0u, Install(L" /LOCALLOCKER").exitCode);
    ASSERT_TRUE(WriteBytes(InstallDir() + L"\\UploadAgent.exe", "not a program"));
    EXPECT_ENDED_WITH(0u, Install(L" /LOCALLOCKER /D=" + SecondDir(), SetupToken::AsThisProcess, LATER_SETUP));
    ExpectInstalled(true, false, SecondDir(), "2.5.1.7");
    EXPECT_FALSE(Exists(InstallDir() + L"\\parcelo.exe"));
    EXPECT_TRUE(Exists(InstallDir() + L"\\UploadAgent.exe"));
    ASSERT_EQ(0u, Uninstall(L"", SecondDir()).exitCode);
    RemoveTree(InstallDir());

    // A roaming profile brings the entry and the Run value of another computer's install, not
    // its files: that is no install, and a first install's choices hold.
    ASSERT_TRUE(SetRegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation", SecondDir()));
    EXPECT_ENDED_WITH(0u, Install(L""));
    ExpectInstalled(false, false);
    EXPECT_EQ(Utf8(Quoted(InstallDir() + L"\\parcelo.exe")), RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));

    // A setup's mutex that this one may not even open (an elevated setup's, to a setup without
    // elevation) means one runs: neither a setup nor the uninstaller goes on meanwhile.
    {
        PSECURITY_DESCRIPTOR denied = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;GA;;;WD)", SDDL_REVISION_1, &denied,
                                                                         nullptr));
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, denied, FALSE};
        const UniqueHandle held(CreateMutexW(&attributes, FALSE, L"Sonavo.Parcelo.Setup"));
        LocalFree(denied);
        ASSERT_TRUE(held.Valid());
        EXPECT_EQ(FAILED_EXIT, Install(L"").exitCode);
        EXPECT_EQ(FAILED_EXIT, QuietUninstall().exitCode);
        EXPECT_TRUE(Exists(InstallDir() + L"\\parcelo.exe"));
    }
    ASSERT_EQ(0u, QuietUninstall().exitCode);
    ExpectNothingLeft(false);
}

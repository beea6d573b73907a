// The per-user setup and its uninstaller, run silently the way a user's machine runs them:
// what the setup puts in place, that the installed program runs against the agent it
// registered, and that the uninstaller takes all of it away again, except what it must keep.
//
// These tests replace the prefix's machine-wide agent registration, which other tests rely on,
// so each one ends by putting it back as the test prefix was prepared.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "agent/ComText.h"
#include "agent/ComPtr.h"
#include "standin/ControlWindow.h"
#include "standin/StandinIds.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/ScopedRegValue.h"

namespace {

// A setup, an uninstall or a cold agent start; each takes a second or two under Wine. Short
// enough that a failing test still ends, and puts the prefix back, inside ctest's timeout.
constexpr DWORD INSTALL_WAIT_MS = 30000;

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parcelo";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char SESSION_MANAGER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
// Everything the agent's registration writes, under either hive's Software\Classes.
const std::string AGENT_CLASS_KEYS[] = {
    std::string("Software\\Classes\\CLSID\\") + standin::REQUEST_CLSID_TEXT,
    std::string("Software\\Classes\\") + agentproto::PROG_ID,
    std::string("Software\\Classes\\Interface\\") + standin::EVENT_IID_TEXT,
    std::string("Software\\Classes\\TypeLib\\") + standin::TYPE_LIB_ID_TEXT,
};
const std::string LOCAL_SERVER_KEY = AGENT_CLASS_KEYS[0] + "\\LocalServer32";

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

std::string InstallDir() { return Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Parcelo"; }
std::string ShortcutFolder() { return Folder(CSIDL_PROGRAMS) + "\\Parcelo"; }
std::string Shortcut() { return ShortcutFolder() + "\\Parcelo.lnk"; }
// The setup's and uninstaller's own temporary folder, so that what NSIS leaves in TEMP (the
// uninstaller's copy of itself) goes away with it.
std::string ScratchTemp() { return Folder(CSIDL_LOCAL_APPDATA) + "\\parcelo-installer-test-temp"; }

bool Same(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Same(text.substr(0, prefix.size()), prefix);
}

// The environment of this process, with TEMP and TMP sent to the scratch folder.
std::wstring ChildEnvironment() {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        const std::wstring name = entry.substr(0, entry.find(L'=', 1));
        if (_wcsicmp(name.c_str(), L"TEMP") != 0 && _wcsicmp(name.c_str(), L"TMP") != 0) entries.push_back(entry);
    }
    FreeEnvironmentStringsW(block);
    entries.push_back(L"TEMP=" + Wide(ScratchTemp()));
    entries.push_back(L"TMP=" + Wide(ScratchTemp()));
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring result;
    for (const std::wstring& entry : entries) result += entry + L'\0';
    return result + L'\0';
}

// Under Wine, a shortcut saved in the Start menu also becomes a desktop entry and icons in the
// host user's home, outside the prefix, which no uninstaller takes back. Wine's menu builder is
// off while a test runs (unless someone chose otherwise); the switch is read from the registry by
// each new process (an environment block handed to CreateProcess does not reach Wine's loader).
std::optional<ScopedRegValue> MenuBuilderOff() {
    const char* const overrides = "Software\\Wine\\DllOverrides";
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version") ||
        RegGetValueA(HKEY_CURRENT_USER, overrides, "winemenubuilder.exe", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
        return std::nullopt;
    return std::optional<ScopedRegValue>(std::in_place, HKEY_CURRENT_USER, overrides, "winemenubuilder.exe",
                                         std::string());
}

// The running processes of this name whose image lies in `dir` (anywhere, for an empty one).
std::vector<UniqueHandle> Processes(const char* exeName, const std::string& dir) {
    std::vector<UniqueHandle> found;
    for (DWORD pid : ProcessesNamed(exeName)) {
        UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
        char image[MAX_PATH * 2] = {};
        DWORD size = sizeof image;
        if (!process.valid() || !QueryFullProcessImageNameA(process.get(), 0, image, &size)) continue;
        if (dir.empty() || StartsWith(image, dir + "\\")) found.push_back(std::move(process));
    }
    return found;
}

bool AllEnded(const std::vector<UniqueHandle>& processes, DWORD timeoutMs = INSTALL_WAIT_MS) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (const UniqueHandle& process : processes) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        if (WaitForSingleObject(process.get(), left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

// Asks an agent that runs from `dir` to end through its control window, the way the tests end
// the stand-in; only for one that a failed test left without its client.
void EndAgentsIn(const std::string& dir) {
    std::vector<UniqueHandle> agents = Processes("UploadAgent.exe", dir);
    if (agents.empty() || AllEnded(agents, 3000)) return;
    using standin::ControlWindow;
    for (HWND control = FindWindowExA(HWND_MESSAGE, nullptr, ControlWindow::CLASS_NAME, nullptr); control;
         control = FindWindowExA(HWND_MESSAGE, control, ControlWindow::CLASS_NAME, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        for (const UniqueHandle& agent : agents)
            if (GetProcessId(agent.get()) == pid) PostMessageA(control, ControlWindow::MSG_DIE, 0, 0);
    }
    AllEnded(agents);
}

struct RunResult {
    bool finished = false;  // the process and every process it started have ended
    DWORD exitCode = 0xFFFFFFFF;
};

// Runs a command and waits until it and everything it started have ended: the uninstaller
// hands over to a copy of itself and returns at once. A job keeps the whole tree together, and
// a tree that hangs (an uninstaller waiting for a program that never ends) ends with the job.
// Without `wholeTree` only the command itself is waited for: a setup waits for its helpers
// itself, and the Parcelo it starts again after an update is meant to outlive it.
RunResult RunAndWaitForTree(const std::string& commandLine, bool wholeTree) {
    RunResult result;
    UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    UniqueHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    if (!job.valid() || !port.valid()) return result;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {job.get(), port.get()};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | (wholeTree ? 0 : JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK);
    if (!SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                 sizeof association) ||
        !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return result;

    std::wstring environment = ChildEnvironment();
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT,
                        &environment[0], nullptr, &startup, &info))
        return result;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (!AssignProcessToJobObject(job.get(), process.get())) {
        TerminateProcess(process.get(), 1);  // ours, never resumed
        return result;
    }
    ResumeThread(thread.get());

    const ULONGLONG end = GetTickCount64() + INSTALL_WAIT_MS;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        DWORD message = 0;
        ULONG_PTR completionKey = 0;
        LPOVERLAPPED overlapped = nullptr;
        if (now >= end || !GetQueuedCompletionStatus(port.get(), &message, &completionKey, &overlapped,
                                                     static_cast<DWORD>(end - now))) {
            // An agent killed without revoking its class stays registered with Wine's COM, and
            // every later start of one fails: it is asked to end first, the way it allows.
            EndAgentsIn(InstallDir());
            TerminateJobObject(job.get(), 99);
            WaitForSingleObject(process.get(), INSTALL_WAIT_MS);
            return result;
        }
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
    }
    result.finished = WaitForSingleObject(process.get(), INSTALL_WAIT_MS) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}


// NSIS's uninstaller asks for its temporary copy to be deleted at the next boot, which Wine
// records even for a plain user: drop the requests for the scratch folder, which is gone.
void ForgetPendingDeletes() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    const OwnedKey owned(key);
    const wchar_t name[] = L"PendingFileRenameOperations";
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
            // Pairs of source and target; a deletion's target is an empty string.
            std::vector<std::wstring> items;
            const size_t count = size / sizeof(wchar_t);
            for (size_t i = 0; i < count;) {
                items.emplace_back(&data[i]);
                i += items.back().size() + 1;
            }
            std::wstring kept;
            bool dropped = false;
            for (size_t i = 0; i + 1 < items.size(); i += 2) {
                if (items[i].empty()) break;
                std::wstring lower = items[i];
                for (wchar_t& c : lower) c = towlower(c);
                if (lower.find(L"\\parcelo-installer-test-temp\\") != std::wstring::npos) {
                    dropped = true;
                    continue;
                }
                kept += items[i] + L'\0' + items[i + 1] + L'\0';
            }
            if (dropped && kept.empty()) RegDeleteValueW(key, name);
            if (dropped && !kept.empty()) {
                kept += L'\0';
                RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                               static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
            }
        }
    }
}

DWORD RunStandin(const std::string& switches) {
    return ProgramProcess("\"" + WindowsPath(STANDIN_AGENT_EXE) + "\" " + switches).WaitForExit(INSTALL_WAIT_MS);
}

struct Link {
    std::string target, arguments;
};

Link ReadShortcut(const std::string& path) {
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.PutVoid())))
        return {"<no shell link>", ""};
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
        FAILED(file->Load(Wide(path).c_str(), STGM_READ)) ||
        FAILED(shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(shellLink->GetArguments(arguments, MAX_PATH)))
        return {"<unreadable>", ""};
    return {Utf8(target), Utf8(arguments)};
}

// Every value under the key and its subkeys, names, types and bytes, in the registry's order.
std::string KeyContents(HKEY root, const std::string& key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return ABSENT_TEXT;
    const OwnedKey owned(opened);
    std::string contents = "[" + key + "]\n";
    char name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(opened, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        contents += std::string(name, nameSize) + ":" + std::to_string(type) + "=" +
                    std::string(reinterpret_cast<const char*>(data), dataSize) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(opened, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        contents += KeyContents(root, key + "\\" + name);
    }
    return contents;
}

std::string FolderOf(const std::string& file) { return file.substr(0, file.find_last_of('\\')); }

}  // namespace

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        vendorKeyExisted_ = KeyExists(HKEY_CURRENT_USER, VENDOR_KEY);
        RemoveLeftovers();
        CreateDirectoryA(ScratchTemp().c_str(), nullptr);
        // A stand-in server still running from an earlier test would answer in place of the
        // agent the setup registers.
        ASSERT_TRUE(AllEnded(Processes("UploadAgent.exe", ""))) << "an UploadAgent from an earlier test still runs";
        ASSERT_FALSE(Exists(InstallDir()));
        ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));
    }

    void TearDown() override {
        program_.reset();
        RemoveLeftovers();
        ForgetPendingDeletes();
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

    // Whatever an earlier or failed run left: the programs it started, the installed files,
    // the shortcut, the uninstall entry, a per-user registration pointing into the install
    // folder, the scratch folder.
    static void RemoveLeftovers() {
        const std::string dir = InstallDir();
        EndAgentsIn(dir);
        if (StartsWith(RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY), "\"" + dir + "\\"))
            for (const std::string& key : AGENT_CLASS_KEYS) {
                RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
                RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
            }
        RemoveTree(dir);
        RemoveTree(ShortcutFolder());
        RegDeleteTreeA(HKEY_CURRENT_USER, UNINSTALL_KEY);
        RegDeleteKeyA(HKEY_CURRENT_USER, UNINSTALL_KEY);
        RemoveTree(ScratchTemp());
    }

    static RunResult Install(const std::string& switches) {
        return RunAndWaitForTree("\"" + WindowsPath(PARCELO_SETUP) + "\" /S" + switches, false);
    }
    static RunResult Uninstall(const std::string& switches) {
        return RunAndWaitForTree("\"" + InstallDir() + "\\uninstall.exe\" /S" + switches, true);
    }

    // Starts the installed program the way its shortcut does and waits for its window, and for
    // the agent that COM started for it from `agentDir`: the install folder, which only the
    // setup's registration can lead to, unless another agent is registered.
    void StartProgram(const std::string& agentDir = InstallDir()) {
        const Link link = ReadShortcut(Shortcut());
        ASSERT_TRUE(Same(InstallDir() + "\\parcelo.exe", link.target)) << link.target;
        program_ = std::make_unique<ParceloProcess>(link.arguments, link.target);
        ASSERT_TRUE(program_->Started());
        HWND window = program_->ShownWindow(INSTALL_WAIT_MS);
        ASSERT_NE(nullptr, window);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ASSERT_TRUE(PumpUntil([&] { return !(agents_ = Processes("UploadAgent.exe", agentDir)).empty(); },
                              INSTALL_WAIT_MS))
            << "no agent started from " << agentDir;
    }
    void ExitProgram() {
        ASSERT_TRUE(program_);
        EXPECT_EQ(0u, program_->Exit(INSTALL_WAIT_MS));
        // The agent ends with its last client, and only then may its file go.
        EXPECT_TRUE(AllEnded(agents_));
        agents_.clear();
    }

    // `locker`: with the Local Locker, registered per user and, `machineWide`, for all users.
    void ExpectInstalled(bool locker, bool machineWide) {
        const std::string dir = InstallDir();
        const std::string quoted = "\"" + dir + "\\UploadAgent.exe\"";
        EXPECT_TRUE(Contents(ParceloPath()) == Contents(dir + "\\parcelo.exe"));
        EXPECT_EQ(locker, Contents(WindowsPath(STANDIN_AGENT_EXE)) == Contents(dir + "\\UploadAgent.exe"));
        EXPECT_TRUE(Exists(dir + "\\uninstall.exe"));

        // Started by hand, Parcelo shows itself: the switch as the program looks for it.
        const Link link = ReadShortcut(Shortcut());
        EXPECT_TRUE(Same(dir + "\\parcelo.exe", link.target)) << link.target;
        EXPECT_EQ(" /showparcelo", link.arguments);

        EXPECT_EQ("Parcelo", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayName"));
        EXPECT_EQ("1.0.0", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayVersion"));
        EXPECT_EQ("Sonavo Inc.", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "Publisher"));
        EXPECT_TRUE(Same("\"" + dir + "\\uninstall.exe\"", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "UninstallString")));
        EXPECT_TRUE(Same(dir, RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation")));
        EXPECT_TRUE(StartsWith(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayIcon"), dir + "\\parcelo.exe"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoModify"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoRepair"));
        DWORD bytes = 0;
        for (const char* file : {"parcelo.exe", "UploadAgent.exe", "uninstall.exe"}) {  // one absent: 0
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            GetFileAttributesExA((dir + "\\" + file).c_str(), GetFileExInfoStandard, &data);
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
        EXPECT_TRUE(Same(quoted, RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY))) << RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY);
        EXPECT_EQ(machineWide ? 1u : ABSENT_NUMBER, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "MachineRegistration"));
        if (machineWide) {
            EXPECT_TRUE(Same(quoted, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY)))
                << RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY);
        }
        CLSID clsid = {};
        EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(agentproto::PROG_ID_W, &clsid));
        EXPECT_TRUE(IsEqualCLSID(standin::REQUEST_CLSID, clsid));
    }

    // Nothing of the install is left; `machineWide`: nor of the agent's machine-wide registration.
    void ExpectNothingLeft(bool machineWide) {
        const std::string dir = InstallDir();
        for (const char* file : {"parcelo.exe", "UploadAgent.exe", "uninstall.exe"})
            EXPECT_FALSE(Exists(dir + "\\" + file)) << file;
        EXPECT_FALSE(Exists(dir));
        EXPECT_FALSE(Exists(Shortcut()));
        EXPECT_FALSE(Exists(ShortcutFolder()));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UNINSTALL_KEY));
        EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
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

    std::optional<ScopedRegValue> menuBuilderOff_ = MenuBuilderOff();
    std::unique_ptr<ParceloProcess> program_;
    std::vector<UniqueHandle> agents_;
    bool vendorKeyExisted_ = false;
};

TEST_F(InstallerTest, InstallsRunsAndUninstallsWithoutLeftovers) {
    // No agent registered: the Local Locker comes with the setup by default.
    ASSERT_EQ(0u, RunStandin("/UnregServer /machine"));
    const RunResult setup = Install(" /MACHINEREG");
    ASSERT_TRUE(setup.finished);
    ASSERT_EQ(0u, setup.exitCode);
    ExpectInstalled(true, true);
    // Autostart by default, hidden in the tray: the quoted path and no switch.
    EXPECT_TRUE(Same("\"" + InstallDir() + "\\parcelo.exe\"", RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo")))
        << RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo");

    StartProgram();
    ExitProgram();
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // the program saved its settings

    const RunResult uninstall = Uninstall("");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, uninstall.exitCode);
    ExpectNothingLeft(true);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // settings stay unless asked
}

TEST_F(InstallerTest, UninstallClosesTheProgramAndClearSettingsDeletesOnlyItsKey) {
    // Asked for, the Local Locker replaces the registered agent, and goes again with the uninstall.
    ASSERT_EQ(0u, Install(" /MACHINEREG /NOAUTOSTART /LOCALLOCKER").exitCode);
    ExpectInstalled(true, true);
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(PRODUCT_KEY) + "\\User").c_str(), "Email",
                                             REG_SZ, "someone@example.com", 20));
    StartProgram();

    // The running program is closed first: what it saves on its way out is deleted after it.
    const RunResult uninstall = Uninstall(" /CLEARSETTINGS");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, program_->WaitForExit(0));
    EXPECT_TRUE(AllEnded(agents_));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, VENDOR_KEY));
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, AnUpdateClosesTheRunningProgramAndStartsItAgain) {
    ASSERT_EQ(0u, Install(" /MACHINEREG /LOCALLOCKER").exitCode);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(PRODUCT_KEY) + "\\User").c_str(), "Email",
                                             REG_SZ, "someone@example.com", 20));
    StartProgram();
    ExitProgram();
    const std::string settings = KeyContents(HKEY_CURRENT_USER, PRODUCT_KEY);  // as the program saves them
    StartProgram();
    // A mark on the running copy that only a replacement takes away.
    const std::string exe = InstallDir() + "\\parcelo.exe";
    const FILETIME marked = {0, 0x01000000};
    {
        UniqueHandle file(CreateFileA(exe.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &marked));
    }

    const RunResult update = Install(" /MACHINEREG /LOCALLOCKER /NOAUTOSTART");
    ASSERT_TRUE(update.finished);
    EXPECT_EQ(0u, update.exitCode);
    EXPECT_EQ(0u, program_->WaitForExit(0));  // ended by its own Exit
    EXPECT_TRUE(AllEnded(agents_));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &data));
    EXPECT_NE(0, CompareFileTime(&marked, &data.ftLastWriteTime));
    ExpectInstalled(true, true);
    // The later setup without the choice takes the autostart away.
    EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, RUN_KEY, "Parcelo"));

    // Back as it was: running from the install folder, its window shown, its settings untouched.
    std::vector<UniqueHandle> restarted;
    ASSERT_TRUE(PumpUntil([&] { return !(restarted = Processes("parcelo.exe", InstallDir())).empty(); }, INSTALL_WAIT_MS));
    program_ = std::make_unique<ParceloProcess>(std::move(restarted.front()));
    ASSERT_NE(nullptr, program_->ShownWindow(INSTALL_WAIT_MS));
    EXPECT_EQ(settings, KeyContents(HKEY_CURRENT_USER, PRODUCT_KEY));
    ASSERT_TRUE(PumpUntil([&] { return !(agents_ = Processes("UploadAgent.exe", InstallDir())).empty(); },
                          INSTALL_WAIT_MS));
    ExitProgram();

    ASSERT_TRUE(Uninstall("").finished);
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, AnotherRegisteredAgentIsLeftAloneAndUsed) {
    // The prefix's own agent, from the build folder, is the other one here.
    const std::string before = RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY);
    ASSERT_NE(ABSENT_TEXT, before);

    ASSERT_EQ(0u, Install(" /MACHINEREG").exitCode);
    ExpectInstalled(false, true);
    EXPECT_FALSE(Exists(InstallDir() + "\\UploadAgent.exe"));
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
    StartProgram(FolderOf(WindowsPath(STANDIN_AGENT_EXE)));
    ExitProgram();

    ASSERT_TRUE(Uninstall("").finished);
    ExpectNothingLeft(false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
}

TEST_F(InstallerTest, WithoutMachineRegOnlyThePerUserRegistrationComesAndGoes) {
    const std::string before = RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY);
    ASSERT_NE(ABSENT_TEXT, before);  // the build's stand-in, as the test prefix was prepared

    ASSERT_EQ(0u, Install(" /LOCALLOCKER").exitCode);
    ExpectInstalled(true, false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));

    // Where a per-user Local Locker would hide the registered agent (as Windows lets it), an
    // update that is not asked for it takes it away.
    ASSERT_EQ(0u, Install("").exitCode);
    ExpectInstalled(false, false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));

    ASSERT_TRUE(Uninstall("").finished);
    ExpectNothingLeft(false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
}

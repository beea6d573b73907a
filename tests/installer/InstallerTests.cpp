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
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "standin/StandinIds.h"
#include "standin/UniqueHandle.h"
#include "tests/support/MessagePump.h"
#include "tests/support/ProgramProcess.h"

using standin::UniqueHandle;

namespace {

// A setup, an uninstall or a cold agent start; each takes a second or two under Wine. Short
// enough that a failing test still ends, and puts the prefix back, inside ctest's timeout.
constexpr DWORD WAIT_MS = 30000;

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parcelo";
const char PRODUCT_KEY[] = "Software\\Sonavo Inc.\\Parcelo";
const char VENDOR_KEY[] = "Software\\Sonavo Inc.";
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

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Same(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Same(text.substr(0, prefix.size()), prefix);
}

std::vector<char> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string RegText(HKEY root, const std::string& path, const char* name = nullptr) {
    char text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return "<none>";
    return text;
}

DWORD RegNumber(HKEY root, const std::string& path, const char* name) {
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueA(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
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
    wchar_t temp[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, ScratchTemp().c_str(), -1, temp, MAX_PATH);
    entries.push_back(std::wstring(L"TEMP=") + temp);
    entries.push_back(std::wstring(L"TMP=") + temp);
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring result;
    for (const std::wstring& entry : entries) result += entry + L'\0';
    return result + L'\0';
}

// Under Wine, a shortcut saved in the Start menu also becomes a desktop entry and icons in the
// host user's home, outside the prefix, which no uninstaller takes back. Wine's menu builder is
// off while a test runs; the switch is read from the registry by each new process (an
// environment block handed to CreateProcess does not reach Wine's loader).
class MenuBuilderOff {
public:
    MenuBuilderOff() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
        if (RegGetValueA(HKEY_CURRENT_USER, WINE_OVERRIDES_KEY, MENU_BUILDER, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
            return;  // someone else's choice, kept as it is
        set_ = RegSetKeyValueA(HKEY_CURRENT_USER, WINE_OVERRIDES_KEY, MENU_BUILDER, REG_SZ, "", 1) == ERROR_SUCCESS;
    }
    ~MenuBuilderOff() {
        if (set_) RegDeleteKeyValueA(HKEY_CURRENT_USER, WINE_OVERRIDES_KEY, MENU_BUILDER);
    }
    MenuBuilderOff(const MenuBuilderOff&) = delete;
    MenuBuilderOff& operator=(const MenuBuilderOff&) = delete;

private:
    static constexpr const char* WINE_OVERRIDES_KEY = "Software\\Wine\\DllOverrides";
    static constexpr const char* MENU_BUILDER = "winemenubuilder.exe";
    bool set_ = false;
};

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS) { return PumpUntil(done, timeoutMs); }

// The running processes of this name whose image lies in `dir` (anywhere, for an empty one).
std::vector<UniqueHandle> Processes(const char* exeName, const std::string& dir) {
    std::vector<UniqueHandle> found;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, exeName) != 0) continue;
        UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        char image[MAX_PATH * 2] = {};
        DWORD size = sizeof image;
        if (!process.valid() || !QueryFullProcessImageNameA(process.get(), 0, image, &size)) continue;
        if (dir.empty() || StartsWith(image, dir + "\\")) found.push_back(std::move(process));
    }
    return found;
}

bool AllEnded(const std::vector<UniqueHandle>& processes, DWORD timeoutMs = WAIT_MS) {
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
    for (HWND control = FindWindowExA(HWND_MESSAGE, nullptr, "VelorexUploadAgentControl", nullptr); control;
         control = FindWindowExA(HWND_MESSAGE, control, "VelorexUploadAgentControl", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(control, &pid);
        for (const UniqueHandle& agent : agents)
            if (GetProcessId(agent.get()) == pid) PostMessageA(control, WM_APP + 2, 0, 0);
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
RunResult RunAndWaitForTree(const std::string& commandLine) {
    RunResult result;
    UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    UniqueHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    if (!job.valid() || !port.valid()) return result;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {job.get(), port.get()};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
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

    const ULONGLONG end = GetTickCount64() + WAIT_MS;
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
            WaitForSingleObject(process.get(), WAIT_MS);
            return result;
        }
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
    }
    result.finished = WaitForSingleObject(process.get(), WAIT_MS) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}


// NSIS's uninstaller asks for its temporary copy to be deleted at the next boot, which Wine
// records even for a plain user: drop the requests for the scratch folder, which is gone.
void ForgetPendingDeletes() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
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
    RegCloseKey(key);
}

DWORD RunStandin(const std::string& switches) {
    std::string line = "\"" + WindowsPath(STANDIN_AGENT_EXE) + "\" " + switches;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 999;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.get(), WAIT_MS) != WAIT_OBJECT_0) return 998;
    DWORD code = 997;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// The installed parcelo.exe, started as the Start menu shortcut starts it.
class InstalledProgram : public ProgramProcess {
public:
    InstalledProgram() : ProgramProcess("\"" + InstallDir() + "\\parcelo.exe\"") {}
    // The program's own drop window.
    HWND Window() const { return WaitForWindow("Sonavo", nullptr, WAIT_MS); }
    // Exit from its menu; the exit code, or 0xFFFFFFFF when it did not end.
    DWORD Exit() const {
        HWND window = Find("Sonavo");
        if (!window || !PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_CMD_EXIT, 0), 0)) return 0xFFFFFFFF;
        return WaitForExit(WAIT_MS);
    }
};

std::string ShortcutTarget(const std::string& link) {
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink))))
        return "<no shell link>";
    std::string target = "<unreadable>";
    IPersistFile* file = nullptr;
    wchar_t widePath[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH);
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(widePath, STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
            char narrow[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr);
            target = narrow;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

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
        return RunAndWaitForTree("\"" + WindowsPath(PARCELO_SETUP) + "\" /S" + switches);
    }
    static RunResult Uninstall(const std::string& switches) {
        return RunAndWaitForTree("\"" + InstallDir() + "\\uninstall.exe\" /S" + switches);
    }

    // Starts the installed program and waits for its window and for the agent that COM
    // started for it from the install folder, which only the setup's registration can do.
    void StartProgram() {
        program_ = std::make_unique<InstalledProgram>();
        ASSERT_TRUE(program_->Started());
        HWND window = program_->Window();
        ASSERT_NE(nullptr, window);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ASSERT_TRUE(WaitUntil([&] { return !(agents_ = Processes("UploadAgent.exe", InstallDir())).empty(); }))
            << "no agent started from " << InstallDir();
    }
    void ExitProgram() {
        ASSERT_TRUE(program_);
        EXPECT_EQ(0u, program_->Exit());
        // The agent ends with its last client, and only then may its file go.
        EXPECT_TRUE(AllEnded(agents_));
        agents_.clear();
    }

    void ExpectInstalled(bool machineWide) {
        const std::string dir = InstallDir();
        const std::string quoted = "\"" + dir + "\\UploadAgent.exe\"";
        EXPECT_EQ(ReadFileBytes(WindowsPath(PARCELO_EXE)), ReadFileBytes(dir + "\\parcelo.exe"));
        EXPECT_EQ(ReadFileBytes(WindowsPath(STANDIN_AGENT_EXE)), ReadFileBytes(dir + "\\UploadAgent.exe"));
        EXPECT_TRUE(Exists(dir + "\\uninstall.exe"));

        EXPECT_TRUE(Same(dir + "\\parcelo.exe", ShortcutTarget(Shortcut()))) << ShortcutTarget(Shortcut());

        EXPECT_EQ("Parcelo", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayName"));
        EXPECT_EQ("1.0.0", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayVersion"));
        EXPECT_EQ("Sonavo Inc.", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "Publisher"));
        EXPECT_TRUE(Same("\"" + dir + "\\uninstall.exe\"", RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "UninstallString")));
        EXPECT_TRUE(Same(dir, RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation")));
        EXPECT_TRUE(StartsWith(RegText(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayIcon"), dir + "\\parcelo.exe"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoModify"));
        EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoRepair"));
        DWORD bytes = 0;
        for (const char* file : {"parcelo.exe", "UploadAgent.exe", "uninstall.exe"}) {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            GetFileAttributesExA((dir + "\\" + file).c_str(), GetFileExInfoStandard, &data);
            bytes += data.nFileSizeLow;
        }
        const DWORD kilobytes = RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "EstimatedSize");
        EXPECT_GE(kilobytes, bytes / 1024);
        EXPECT_LE(kilobytes, bytes / 1024 + 3);

        EXPECT_TRUE(Same(quoted, RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY))) << RegText(HKEY_CURRENT_USER, LOCAL_SERVER_KEY);
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

    MenuBuilderOff menuBuilderOff_;
    std::unique_ptr<InstalledProgram> program_;
    std::vector<UniqueHandle> agents_;
    bool vendorKeyExisted_ = false;
};

TEST_F(InstallerTest, InstallsRunsAndUninstallsWithoutLeftovers) {
    const RunResult setup = Install(" /MACHINEREG");
    ASSERT_TRUE(setup.finished);
    ASSERT_EQ(0u, setup.exitCode);
    ExpectInstalled(true);
    EXPECT_EQ(1u, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "MachineRegistration"));

    StartProgram();
    ExitProgram();
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // the program saved its settings

    const RunResult uninstall = Uninstall("");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, uninstall.exitCode);
    ExpectNothingLeft(true);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // settings stay unless asked
}

TEST_F(InstallerTest, ClearSettingsSwitchDeletesOnlyTheProgramKey) {
    ASSERT_EQ(0u, Install(" /MACHINEREG").exitCode);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo\\User", "Email",
                                             REG_SZ, "someone@example.com", 20));

    const RunResult uninstall = Uninstall(" /CLEARSETTINGS");
    ASSERT_TRUE(uninstall.finished);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, VENDOR_KEY));
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, ARunningProgramKeepsSetupAndUninstallFromTouchingIt) {
    ASSERT_EQ(0u, Install(" /MACHINEREG").exitCode);
    StartProgram();
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Sonavo Inc.\\Parcelo\\User", "Email",
                                             REG_SZ, "someone@example.com", 20));

    // Neither ends it nor pulls its files away: a silent run just gives up.
    const RunResult again = Install(" /MACHINEREG");
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(2u, again.exitCode);  // NSIS: aborted by the script
    ASSERT_TRUE(Uninstall(" /CLEARSETTINGS").finished);
    EXPECT_TRUE(program_->Running());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, PRODUCT_KEY));  // settings neither
    ExpectInstalled(true);

    ExitProgram();
    ASSERT_TRUE(Uninstall("").finished);
    ExpectNothingLeft(true);
}

TEST_F(InstallerTest, WithoutMachineRegOnlyThePerUserRegistrationComesAndGoes) {
    const std::string before = RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY);
    ASSERT_NE("<none>", before);  // the build's stand-in, as the test prefix was prepared

    ASSERT_EQ(0u, Install("").exitCode);
    ExpectInstalled(false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
    EXPECT_EQ(0xDEADBEEF, RegNumber(HKEY_CURRENT_USER, UNINSTALL_KEY, "MachineRegistration"));

    ASSERT_TRUE(Uninstall("").finished);
    ExpectNothingLeft(false);
    EXPECT_EQ(before, RegText(HKEY_LOCAL_MACHINE, LOCAL_SERVER_KEY));
}

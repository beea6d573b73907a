// End to end: the real parcelo.exe and the real stand-in agent out of process, a real drag
// from this process onto the program's window, the real Sign In dialog, the file in the
// account's Locker folder, and the settings the program leaves in the registry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "tests/drop/DragSource.h"
#include "tests/integration/AgentScript.h"
#include "tests/support/ProgramProcess.h"

using namespace agentproto;

namespace {

const char kProduct[] = "Software\\Sonavo Inc.\\Parcelo";
const char kAgentKey[] = "Software\\Velorex\\UploadAgent";
constexpr DWORD kWaitMs = 20000;  // a cold agent start alone takes a second under Wine

class Program : public ProgramProcess {
public:
    explicit Program(const std::string& arguments) : ProgramProcess("\"" + WindowsPath(PARCELO_EXE) + "\"" + arguments) {}
    HWND Window() const { return WaitForWindow("Sonavo", nullptr, kWaitMs); }
    // One of the program's dialogs, once it is on the screen.
    HWND Dialog(const char* title, DWORD timeoutMs = kWaitMs) const {
        HWND found = nullptr;
        PumpUntil([&] { return (found = Find("#32770", title)) != nullptr && IsWindowVisible(found); }, timeoutMs);
        return found && IsWindowVisible(found) ? found : nullptr;
    }
    DWORD WaitForExit() const { return ProgramProcess::WaitForExit(kWaitMs); }
};

std::string ReadText(const char* key, const char* name) {
    char text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(kProduct) + "\\" + key).c_str(), name, RRF_RT_REG_SZ, nullptr,
                     text, &size) != ERROR_SUCCESS)
        return "(absent)";
    return text;
}

DWORD ReadNumber(const char* key, const char* name) {
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, (std::string(kProduct) + "\\" + key).c_str(), name, RRF_RT_REG_DWORD, nullptr,
                 &value, &size);
    return value;
}

std::string Contents(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// The agent's calls among `ids`, in the order its log has them.
std::vector<long> CallOrder(const AgentScript& script, const std::vector<long>& ids) {
    std::vector<long> order;
    for (const std::string& line : script.Log()) {
        long id = -1;
        if (sscanf(line.c_str(), "dispid=%ld", &id) != 1) continue;
        for (long wanted : ids)
            if (id == wanted) order.push_back(id);
    }
    return order;
}

bool Finished(const DragThread& drag) { return WaitForSingleObject(drag.Done(), 0) == WAIT_OBJECT_0; }

}  // namespace

class DropToLockerTest : public ::testing::Test {
protected:
    void SetUp() override {
        AgentScript::KillServer();  // a fresh agent starts signed out
        RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring own = std::to_wstring(GetCurrentProcessId());
        folder_ = std::wstring(temp) + L"parcelo-e2e-" + own;
        locker_ = folder_ + L"\\Locker";
        CreateDirectoryW(folder_.c_str(), nullptr);
        source_ = folder_ + L"\\song.mp3";
        std::string audio = "ID3";
        for (int i = 0; i < 70000; ++i) audio += static_cast<char>(i * 7);  // more than one 64 KiB chunk
        HANDLE file = CreateFileW(source_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, audio.data(), static_cast<DWORD>(audio.size()), &written, nullptr);
        CloseHandle(file);

        char previous[MAX_PATH * 2] = {};
        DWORD size = sizeof previous;
        hadLockerRoot_ = RegGetValueA(HKEY_CURRENT_USER, kAgentKey, "LockerRoot", RRF_RT_REG_SZ, nullptr, previous,
                                      &size) == ERROR_SUCCESS;
        previousLockerRoot_ = previous;
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Velorex\\UploadAgent", L"LockerRoot", REG_SZ, locker_.c_str(),
                        static_cast<DWORD>((locker_.size() + 1) * sizeof(wchar_t)));
        account_ = "e2e" + std::to_string(GetCurrentProcessId()) + "@example.com";
    }
    void TearDown() override {
        if (hadLockerRoot_)
            RegSetKeyValueA(HKEY_CURRENT_USER, kAgentKey, "LockerRoot", REG_SZ, previousLockerRoot_.c_str(),
                            static_cast<DWORD>(previousLockerRoot_.size() + 1));
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kAgentKey, "LockerRoot");
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kAgentKey) + "\\Accounts\\" + account_).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
        RemoveTree(folder_);
    }
    std::wstring InLocker(const char* name) const {
        return locker_ + L"\\" + std::wstring(account_.begin(), account_.end()) + L"\\" +
               std::wstring(name, name + strlen(name));
    }

    AgentScript script;
    std::wstring folder_, locker_, source_;
    std::string account_;
    bool hadLockerRoot_ = false;
    std::string previousLockerRoot_;
};

TEST_F(DropToLockerTest, AFileDroppedWhileSignedOutReachesTheLockerAfterSignInAndTheCredentialsAreKept) {
    std::optional<DragThread> drag;  // declared first, so a failed test ends the program before the drag
    Program program(" /showparcelo");
    ASSERT_TRUE(program.Started());
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, kWaitMs));
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispConfigure).size() == 1; }, kWaitMs));

    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({source_})});
    HWND dialog = program.Dialog("Sign In");
    ASSERT_NE(dialog, nullptr) << "no Sign In dialog for a drop while signed out";
    SendMessageA(GetDlgItem(dialog, IDC_EMAIL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(account_.c_str()));
    SendMessageA(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("e2e pass"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, kWaitMs));
    const DragOutcome outcome = drag->Finish();
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_COPY));

    ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(InLocker("song.mp3").c_str()) != INVALID_FILE_ATTRIBUTES; },
                          kWaitMs));
    EXPECT_EQ(Contents(InLocker("song.mp3")), Contents(source_));
    EXPECT_EQ(CallOrder(script, {DispUpload, DispSignIn, DispSignOut}),
              (std::vector<long>{DispSignOut, DispSignIn, DispUpload}));
    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_NE(uploads[0].find("\\song.mp3"), std::string::npos) << uploads[0];

    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    // Stored only because the agent reported the sign-in done.
    EXPECT_EQ(ReadText("User", "User name"), account_);
    EXPECT_EQ(ReadText("User", "Password"), "e2e pass");
    EXPECT_EQ(ReadNumber("User", "Auto Login"), 0u);
}

TEST_F(DropToLockerTest, AStoredAutomaticSignInLetsADropGoStraightToTheLocker) {
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProduct) + "\\User").c_str(), "User name", REG_SZ,
                    account_.c_str(), static_cast<DWORD>(account_.size() + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProduct) + "\\User").c_str(), "Password", REG_SZ, "auto pass", 10);
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProduct) + "\\User").c_str(), "Auto Login", REG_DWORD, &on,
                    sizeof on);

    std::optional<DragThread> drag;
    Program program(" /showparcelo");
    ASSERT_TRUE(program.Started());
    HWND window = program.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, kWaitMs));
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispSignIn).size() == 1; }, kWaitMs));
    EXPECT_NE(script.LoggedCalls(DispSignIn)[0].find(account_ + "\t8:auto pass"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[0];

    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({source_})});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, kWaitMs)) << "the drop waited for something";
    EXPECT_EQ(drag->Finish().effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(InLocker("song.mp3").c_str()) != INVALID_FILE_ATTRIBUTES; },
                          kWaitMs));
    EXPECT_EQ(Contents(InLocker("song.mp3")), Contents(source_));
    EXPECT_TRUE(script.LoggedCalls(DispSignOut).empty());

    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(ReadNumber("User", "Auto Login"), 1u);
}

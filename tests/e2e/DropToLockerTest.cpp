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

const char PRODUCT[] = "Software\\Sonavo Inc.\\Parcelo";
const char AGENT_KEY[] = "Software\\Velorex\\UploadAgent";
constexpr DWORD WAIT_MS = 20000;  // a cold agent start alone takes a second under Wine

class Program : public ProgramProcess {
public:
    explicit Program(const std::string& arguments) : ProgramProcess("\"" + WindowsPath(PARCELO_EXE) + "\"" + arguments) {}
    HWND Window() const { return WaitForWindow("Sonavo", nullptr, WAIT_MS); }
    // One of the program's dialogs, once it is on the screen.
    HWND Dialog(const char* title, DWORD timeoutMs = WAIT_MS) const {
        HWND found = nullptr;
        PumpUntil([&] { return (found = Find("#32770", title)) != nullptr && IsWindowVisible(found); }, timeoutMs);
        return found && IsWindowVisible(found) ? found : nullptr;
    }
    DWORD WaitForExit() const { return ProgramProcess::WaitForExit(WAIT_MS); }
};

std::string ReadText(const char* key, const char* name) {
    char text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(PRODUCT) + "\\" + key).c_str(), name, RRF_RT_REG_SZ, nullptr,
                     text, &size) != ERROR_SUCCESS)
        return "(absent)";
    return text;
}

DWORD ReadNumber(const char* key, const char* name) {
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, (std::string(PRODUCT) + "\\" + key).c_str(), name, RRF_RT_REG_DWORD, nullptr,
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

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                            static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The item of each Upload the agent logged, as the log has it (UTF-8), in call order.
std::vector<std::string> UploadedItems(const std::vector<std::string>& log) {
    std::vector<std::string> items;
    const std::string prefix = "dispid=1\t";
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const size_t start = line.find("\t8:");
        const size_t end = line.find("\t11:");
        if (start != std::string::npos && end != std::string::npos) items.push_back(line.substr(start + 3, end - start - 3));
    }
    return items;
}

}  // namespace

class DropToLockerTest : public ::testing::Test {
protected:
    void SetUp() override {
        AgentScript::KillServer();  // a fresh agent starts signed out
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring own = std::to_wstring(GetCurrentProcessId());
        folder_ = std::wstring(temp) + L"parcelo-e2e-" + own;
        locker_ = folder_ + L"\\Locker";
        CreateDirectoryW(folder_.c_str(), nullptr);
        source_ = folder_ + L"\\song.mp3";
        std::string audio = "ID3";
        for (int i = 0; i < 70000; ++i) audio += static_cast<char>(i * 7);  // more than one 64 KiB chunk
        WriteFileBytes(source_, audio);

        char previous[MAX_PATH * 2] = {};
        DWORD size = sizeof previous;
        hadLockerRoot_ = RegGetValueA(HKEY_CURRENT_USER, AGENT_KEY, "LockerRoot", RRF_RT_REG_SZ, nullptr, previous,
                                      &size) == ERROR_SUCCESS;
        previousLockerRoot_ = previous;
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Velorex\\UploadAgent", L"LockerRoot", REG_SZ, locker_.c_str(),
                        static_cast<DWORD>((locker_.size() + 1) * sizeof(wchar_t)));
        account_ = "e2e" + std::to_string(GetCurrentProcessId()) + "@example.com";
    }
    void TearDown() override {
        if (hadLockerRoot_)
            RegSetKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, "LockerRoot", REG_SZ, previousLockerRoot_.c_str(),
                            static_cast<DWORD>(previousLockerRoot_.size() + 1));
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, "LockerRoot");
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(AGENT_KEY) + "\\Accounts\\" + account_).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, PRODUCT);
        RemoveTree(folder_);
    }
    std::wstring InLocker(const std::wstring& name) const {
        return locker_ + L"\\" + std::wstring(account_.begin(), account_.end()) + L"\\" + name;
    }
    bool InLockerSoon(const std::wstring& name) const {
        return PumpUntil([&] { return GetFileAttributesW(InLocker(name).c_str()) != INVALID_FILE_ATTRIBUTES; },
                         WAIT_MS);
    }
    // Small audio files of their own in the test's folder, by name.
    std::vector<std::wstring> Sources(const std::vector<std::wstring>& names) const {
        std::vector<std::wstring> paths;
        for (const std::wstring& name : names) {
            paths.push_back(folder_ + L"\\" + name);
            WriteFileBytes(paths.back(), "ID3 " + Utf8(name));
        }
        return paths;
    }
    // The program shown and connected, with the stored automatic sign-in when asked for.
    HWND Started(Program& program) const {
        if (!program.Started()) return nullptr;
        HWND window = program.Window();
        if (!window || !PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, WAIT_MS) ||
            !PumpUntil([&] { return script.LoggedCalls(DispConfigure).size() == 1; }, WAIT_MS))
            return nullptr;
        return window;
    }

    AgentScript script;
    std::wstring folder_, locker_, source_;
    std::string account_;
    bool hadLockerRoot_ = false;
    std::string previousLockerRoot_;
};

TEST_F(DropToLockerTest, ADropWhileSignedOutReleasesItsSourceAtOnceAndItsFilesFollowTheSignInInOrder) {
    std::optional<DragThread> drag;  // declared first, so a failed test ends the program before the drag
    Program program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    const std::vector<std::wstring> first = Sources({L"b.mp3", L"a.mp3"});

    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({source_, first[0], first[1]})});
    HWND dialog = program.Dialog("Sign In");
    ASSERT_NE(dialog, nullptr) << "no Sign In dialog for a drop while signed out";
    EXPECT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS)) << "the source waited for the Sign In dialog";
    SendMessageA(GetDlgItem(dialog, IDC_EMAIL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(account_.c_str()));
    SendMessageA(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("e2e pass"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS));
    EXPECT_EQ(drag->Finish().effect, static_cast<DWORD>(DROPEFFECT_COPY));

    ASSERT_TRUE(InLockerSoon(L"song.mp3"));
    EXPECT_EQ(Contents(InLocker(L"song.mp3")), Contents(source_));
    // Each call the agent answers slowly now: two drops made one after the other while the
    // first is still going over keep their order.
    script.Set("1.delay", 2000);
    const std::vector<std::wstring> second = Sources({L"c.mp3", L"d.mp3"});
    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files(second)});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS));
    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({first[1]})});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS));
    EXPECT_LT(UploadedItems(script.Log()).size(), 5u) << "the last drop waited for the hand-over before it";
    script.Remove("1.delay");
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 6; }, WAIT_MS));
    EXPECT_EQ(CallOrder(script, {DispUpload, DispSignIn, DispSignOut}),
              (std::vector<long>{DispSignOut, DispSignIn, DispUpload, DispUpload, DispUpload, DispUpload, DispUpload,
                                 DispUpload}));
    EXPECT_EQ(UploadedItems(script.Log()), (std::vector<std::string>{Utf8(source_), Utf8(first[0]), Utf8(first[1]),
                                                                     Utf8(second[0]), Utf8(second[1]), Utf8(first[1])}));
    for (const wchar_t* name : {L"a.mp3", L"b.mp3", L"c.mp3", L"d.mp3"}) EXPECT_TRUE(InLockerSoon(name)) << Utf8(name);

    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    // Stored only because the agent reported the sign-in done.
    EXPECT_EQ(ReadText("User", "User name"), account_);
    EXPECT_EQ(ReadText("User", "Password"), "e2e pass");
    EXPECT_EQ(ReadNumber("User", "Auto Login"), 0u);
}

TEST_F(DropToLockerTest, WithAStoredAutomaticSignInEveryNameReachesTheLockerExactly) {
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(PRODUCT) + "\\User").c_str(), "User name", REG_SZ,
                    account_.c_str(), static_cast<DWORD>(account_.size() + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(PRODUCT) + "\\User").c_str(), "Password", REG_SZ, "auto pass", 10);
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(PRODUCT) + "\\User").c_str(), "Auto Login", REG_DWORD, &on,
                    sizeof on);
    // Names the system code page cannot hold, in a folder whose name it cannot hold either.
    CreateDirectoryW((folder_ + L"\\\x041c\x0443\x0437\x044b\x043a\x0430").c_str(), nullptr);
    const std::vector<std::wstring> names = {L"\x041f\x0440\x0438\x0432\x0435\x0442.mp3",
                                             L"\x6771\x4eac\x306e\x591c.mp3", L"\xd83c\xdfb5 \xd83d\xde00.mp3"};
    std::vector<std::wstring> inFolder;
    for (const std::wstring& name : names) inFolder.push_back(L"\x041c\x0443\x0437\x044b\x043a\x0430\\" + name);
    const std::vector<std::wstring> sources = Sources(inFolder);

    std::optional<DragThread> drag;
    Program program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return script.LoggedCalls(DispSignIn).size() == 1; }, WAIT_MS));
    EXPECT_NE(script.LoggedCalls(DispSignIn)[0].find(account_ + "\t8:auto pass"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[0];

    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files({source_, sources[0], sources[1], sources[2]})});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS)) << "the drop waited for something";
    EXPECT_EQ(drag->Finish().effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(InLockerSoon(L"song.mp3"));
    EXPECT_EQ(Contents(InLocker(L"song.mp3")), Contents(source_));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(InLockerSoon(names[i])) << Utf8(names[i]);
        EXPECT_EQ(Contents(InLocker(names[i])), Contents(sources[i])) << Utf8(names[i]);
    }
    EXPECT_EQ(UploadedItems(script.Log()),
              (std::vector<std::string>{Utf8(source_), Utf8(sources[0]), Utf8(sources[1]), Utf8(sources[2])}));
    EXPECT_TRUE(script.LoggedCalls(DispSignOut).empty());

    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(ReadNumber("User", "Auto Login"), 1u);
}

TEST_F(DropToLockerTest, AnAgentThatDiesDuringAHandOverLosesNoItemAndExitEndsOneAtOnce) {
    script.Set("12.vt", VT_I4);  // every agent process says signed in, takes each item and keeps none
    script.Set("12.value", 1);
    script.Set("1.hr", S_OK);
    script.Set("1.delay", 300);
    std::vector<std::wstring> names;
    for (int i = 1; i <= 6; ++i) names.push_back(L"track" + std::to_wstring(i) + L".mp3");
    const std::vector<std::wstring> tracks = Sources(names);
    std::vector<std::string> expected;
    for (const std::wstring& track : tracks) expected.push_back(Utf8(track));

    std::optional<DragThread> drag;
    Program program(" /showparcelo");
    HWND window = Started(program);
    ASSERT_NE(window, nullptr);
    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files(tracks)});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS));
    // The third upload has reached the agent and waits for its answer when the agent goes.
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 3; }, WAIT_MS));
    ASSERT_TRUE(AgentScript::KillServer());
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() == 7; }, WAIT_MS));
    const std::vector<std::string> log = script.Log();
    std::vector<size_t> versions;  // where each connection begins
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].compare(0, 10, "dispid=13\t") == 0) versions.push_back(i);
    ASSERT_EQ(versions.size(), 2u);
    const std::vector<std::string> before = UploadedItems({log.begin(), log.begin() + static_cast<long>(versions[1])});
    const std::vector<std::string> after = UploadedItems({log.begin() + static_cast<long>(versions[1]), log.end()});
    EXPECT_EQ(before, std::vector<std::string>(expected.begin(), expected.begin() + 3));
    EXPECT_EQ(after, std::vector<std::string>(expected.begin() + 2, expected.end()));

    // Exit in the middle of a long hand-over ends the program; what had not gone is dropped.
    std::vector<std::wstring> many;
    for (int i = 0; i < 30; ++i) many.push_back(tracks[static_cast<size_t>(i % 6)]);
    drag.emplace(CentreOf(window), std::vector<OfferedFormat>{Files(many)});
    ASSERT_TRUE(PumpUntil([&] { return Finished(*drag); }, WAIT_MS));
    ASSERT_TRUE(PumpUntil([&] { return UploadedItems(script.Log()).size() >= 9; }, WAIT_MS));
    PostMessageA(window, WM_COMMAND, ID_CMD_EXIT, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_LT(UploadedItems(script.Log()).size(), 37u);
}

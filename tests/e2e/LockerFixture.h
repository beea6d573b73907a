// The real parcelo.exe and the real stand-in agent out of process, with a folder of the case's
// own for its files and the agent's Locker, and the agent's script and call log.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "res/resource.h"
#include "standin/StandinIds.h"
#include "tests/fakes/DragSource.h"
#include "tests/support/AgentScript.h"
#include "tests/support/Files.h"
#include "tests/support/ParceloProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/ScopedRegValue.h"
#include "tests/support/WindowFacts.h"

inline bool Finished(const DragThread& drag) { return WaitForSingleObject(drag.Done(), 0) == WAIT_OBJECT_0; }

// The item of each Upload the agent logged, as the log has it (UTF-8), in call order.
inline std::vector<std::string> UploadedItems(const std::vector<std::string>& log) {
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


class DropToLockerTest : public ::testing::Test {
protected:
    void SetUp() override {
        AgentScript::KillServer();  // a fresh agent starts signed out
        DeleteProductKey();
        folder_ = TempFolder() + "parcelo-e2e-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        source_ = Wide(folder_) + L"\\song.mp3";
        std::string audio = "ID3";
        for (int i = 0; i < 70000; ++i) audio += static_cast<char>(i * 7);  // more than one 64 KiB chunk
        WriteBytes(source_, audio);
        lockerRoot_.emplace(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", folder_ + "\\Locker");
        account_ = "e2e" + std::to_string(GetCurrentProcessId()) + "@example.com";
    }
    void TearDown() override {
        drag_.reset();
        lockerRoot_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(standin::AGENT_KEY) + "\\Accounts\\" + account_).c_str());
        DeleteProductKey();
        RemoveTree(folder_);
    }
    std::wstring InLocker(const std::wstring& name) const {
        return Wide(folder_ + "\\Locker\\" + account_ + "\\") + name;
    }
    bool InLockerSoon(const std::wstring& name) const {
        return PumpUntil([&] { return Exists(InLocker(name)); });
    }
    // Small audio files of their own in the test's folder, by name.
    std::vector<std::wstring> Sources(const std::vector<std::wstring>& names) const {
        std::vector<std::wstring> paths;
        for (const std::wstring& name : names) {
            paths.push_back(Wide(folder_) + L"\\" + name);
            WriteBytes(paths.back(), "ID3 " + Utf8(name));
        }
        return paths;
    }
    // `count` numbered tracks, with the texts the agent gets for them, in order.
    std::vector<std::wstring> Tracks(int count, std::vector<std::string>* texts) const {
        std::vector<std::wstring> names;
        for (int i = 1; i <= count; ++i) names.push_back(L"track" + std::to_wstring(i) + L".mp3");
        std::vector<std::wstring> paths = Sources(names);
        for (const std::wstring& path : paths) texts->push_back(Utf8(path));
        return paths;
    }
    // The program shown and connected, with the stored automatic sign-in when asked for.
    HWND Started(ParceloProcess& program) const {
        if (!program.Started()) return nullptr;
        HWND window = program.Window();
        if (!window || !PumpUntil([&] { return IsWindowVisible(window) != FALSE; }) ||
            !PumpUntil([&] { return script.LoggedCalls(agentproto::DispConfigure).size() == 1; }))
            return nullptr;
        return window;
    }

    // A drag of these files onto `window`, started; Dropped waits for it to end as well.
    void StartDrop(HWND window, const std::vector<std::wstring>& files) {
        drag_.emplace(CentreOf(window), std::vector<OfferedFormat>{Files(files)});
    }
    bool Dropped(HWND window, const std::vector<std::wstring>& files) {
        StartDrop(window, files);
        return PumpUntil([&] { return Finished(*drag_); });
    }
    // Fills the Sign In dialog with the case's account and presses OK.
    void ConfirmSignIn(HWND dialog, const char* password) const {
        SetTextOf(dialog, IDC_EMAIL, account_);
        SetTextOf(dialog, IDC_PASSWORD, password);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        PostClick(dialog, IDOK);
    }
    // Every agent process says signed in and takes each item.
    void ScriptSignedInAndTaking() {
        script.Set("12.vt", VT_I4);
        script.Set("12.value", 1);
        script.Set("1.hr", S_OK);
    }

    AgentScript script;
    // Ended in TearDown, after the program that the case's body started: a failed case ends the
    // program before the drag.
    std::optional<DragThread> drag_;
    std::string folder_, account_;
    std::wstring source_;
    std::optional<ScopedRegValue> lockerRoot_;
};


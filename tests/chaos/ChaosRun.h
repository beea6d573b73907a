// The chaos run's driver: the real parcelo.exe and the real stand-in agent through a schedule
// of events (ChaosSchedule), the user's answers to every dialog and box, the window's answers
// to WM_NULL timed while no dialog is up, and the promise checked after the run (ChaosLedger).
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/chaos/ChaosLedger.h"
#include "tests/chaos/ChaosSchedule.h"
#include "tests/e2e/LockerFixture.h"
#include "tests/support/AnswerProbe.h"

namespace chaos {

constexpr DWORD HUNG_MS = 11500;  // past the ten seconds after which the user is asked
constexpr DWORD FAULT_WAIT_MS = 5000;
constexpr DWORD SETTLE_MS = 60000;  // for the last drop to arrive, plus a little per item
constexpr double ANSWER_P99_LIMIT_MS = 100.0;
constexpr SIZE_T GROWTH_LIMIT_BYTES = 2 * 1024 * 1024;
constexpr LONGLONG BIG_FILE_BYTES = 26LL << 20;  // over the 25 MiB the program refuses
constexpr HRESULT CALL_REJECTED = static_cast<HRESULT>(0x80010001);
constexpr char PASSWORD[] = "chaos pass";

constexpr const wchar_t* NAME_STEMS[] = {
    L"song", L"caf\x00e9 cr\x00e8me", L"\x041f\x0435\x0441\x043d\x044f", L"\x6771\x4eac\x306e\x591c",
    L"\xd83c\xdfb5 \xd83d\xde00", L"\x0623\x063a\x0646\x064a\x0629", L"\x05e9\x05d9\x05e8", L"\x0917\x0940\x0924"};
constexpr const wchar_t* EXTENSIONS[] = {L".mp3", L".ogg", L".wma", L".flac"};

inline std::size_t Lines(const std::vector<std::string>& log, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        log.begin(), log.end(), [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; }));
}

inline std::string Answered(long dispid, HRESULT hr) {
    char code[16];
    snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return std::string("answer=") + code + "\tdispid=" + std::to_string(dispid) + "\t";
}

inline std::string Called(long dispid) { return "dispid=" + std::to_string(dispid) + "\t"; }

}  // namespace chaos

class ChaosTest : public DropToLockerTest {
protected:
    void SetUp() override {
        DropToLockerTest::SetUp();
        OleInitialize(nullptr);
    }
    void TearDown() override {
        StopProbe();
        program_.reset();
        AgentScript::KillServer();
        OleUninitialize();
        DropToLockerTest::TearDown();
    }

    // One schedule from a fresh agent and a first start; the faults found, reported with the
    // seed and every event up to them.
    void Run(uint32_t seed, const std::vector<ChaosEvent>& schedule, bool endsAgent = false);

private:
    void Note(const std::string& line);
    void Fault(const std::string& what);
    void Serve(DWORD ms);
    void Service();
    void Answer(HWND dialog);
    void StartProbe();
    void StopProbe();

    bool Start();
    bool Exit(bool holdsItems);
    void Settle();
    // The same first steps after every start, before its memory is measured: one of each
    // dialog and box the run brings, and a drop of some hundreds.
    void WarmUp();
    void Execute(const ChaosEvent& event);
    void BaseScript();
    void EndSlowCalls();
    void Post(UINT command) const;
    // Display toggled until the window shows (or not), and waited for: a toggle still queued
    // would hide the window under the next drag.
    bool SetShown(bool shown);

    std::vector<std::wstring> MakeFiles(int count, int script);
    bool Drop(std::vector<OfferedFormat> formats, const std::vector<std::wstring>& items);
    bool DropFiles(int count, int script) {
        const std::vector<std::wstring> files = MakeFiles(count, script);
        return Drop({Files(files)}, files);
    }
    // The files on the clipboard, then Ctrl+V's command; a Display toggle posted behind it
    // tells when the program has read the clipboard, before anything replaces it.
    void Paste(int count, int script);
    // Waits, serving the program's dialogs, until the log holds more lines beginning so.
    bool WaitForLog(const std::string& prefix, std::size_t before, DWORD timeoutMs);

    DragWorker drags_;
    std::optional<ParceloProcess> program_;
    HWND window_ = nullptr;
    ChaosLedger ledger_;
    std::mt19937 answers_;
    uint32_t seed_ = 0;
    std::vector<std::string> events_;
    std::vector<std::string> faults_;
    std::map<HWND, ULONGLONG> answered_;
    std::optional<AnswerProbe> probe_;
    std::vector<double> answerMs_;
    bool settling_ = false, hung_ = false, endAgent_ = false, agentEndedHard_ = false;
    int slowLeft_ = 0;
    int nextName_ = 0;
    SIZE_T lifeStartBytes_ = 0;
};

#include "tests/chaos/ChaosRun.h"

#include <psapi.h>

#include <algorithm>

using namespace agentproto;
using namespace chaos;

namespace {

SIZE_T PrivateBytes(DWORD pid) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process.Valid() || !GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}

}  // namespace

void ChaosTest::Note(const std::string& line) {
    events_.push_back(line);
    printf("  %s\n", line.c_str());
    fflush(stdout);
}

void ChaosTest::Fault(const std::string& what) {
    faults_.push_back(what);
    Note("FAULT: " + what);
}

void ChaosTest::Serve(DWORD ms) {
    PumpUntil(
        [&] {
            Service();
            return false;
        },
        ms);
}

// The user at the screen: answers every dialog and box the program shows, and times the
// window's answers while none is up.
void ChaosTest::Service() {
    if (!program_ || !program_->Running()) return;
    bool modal = false;
    const ULONGLONG now = GetTickCount64();
    for (HWND dialog : program_->AllShown("#32770")) {
        modal = true;
        auto seen = answered_.find(dialog);
        if (seen != answered_.end() && now - seen->second < 3000) continue;  // its click is on the way
        answered_[dialog] = now;
        Answer(dialog);
    }
    for (auto it = answered_.begin(); it != answered_.end();) it = IsWindow(it->first) ? std::next(it) : answered_.erase(it);
    if (modal || hung_) StopProbe();
    else StartProbe();
}

void ChaosTest::Answer(HWND dialog) {
    const std::string title = TextOf(dialog);
    if (title == "Sign In") {
        if (settling_ || std::uniform_int_distribution<int>(0, 3)(answers_) != 0) {
            SetTextOf(dialog, IDC_EMAIL, account_);
            SetTextOf(dialog, IDC_PASSWORD, PASSWORD);
            PostClick(dialog, IDOK);
            Note("    Sign In: OK");
        } else {
            ledger_.SignInCancelled(ChaosLedger::Delivered(script.Log()).size());
            PostClick(dialog, IDCANCEL);
            Note("    Sign In: Cancel");
        }
        return;
    }
    if (ChildWithText(dialog, "End UploadAgent")) {
        const char* choice = endAgent_ ? "End UploadAgent" : "Wait";
        agentEndedHard_ = agentEndedHard_ || endAgent_;
        PostMessageW(ChildWithText(dialog, choice), BM_CLICK, 0, 0);
        Note(std::string("    \"not responding\": ") + choice);
        return;
    }
    const std::string text = TextOf(GetDlgItem(dialog, 0xFFFF));
    ledger_.BoxShown(text);
    PostClick(dialog, GetDlgItem(dialog, IDNO) ? IDNO : IDOK);
    Note("    box \"" + title + "\": " + text);
    // An agent that ended on its own, even while it was being started, is followed by a new
    // one: never by the advice to reinstall. (Under Wine none follows one ended by End.)
    if (title == "Failure" && !agentEndedHard_) Fault("a connection failure was reported: " + text);
}

void ChaosTest::StartProbe() {
    if (!probe_ && window_ && IsWindow(window_)) probe_.emplace(window_);
}

void ChaosTest::StopProbe() {
    if (!probe_) return;
    const std::vector<double>& answers = probe_->Stop();
    answerMs_.insert(answerMs_.end(), answers.begin(), answers.end());
    probe_.reset();
}

void ChaosTest::Post(UINT command) const { PostMessageW(window_, WM_COMMAND, command, 0); }

bool ChaosTest::SetShown(bool shown) {
    if ((IsWindowVisible(window_) != FALSE) != shown) Post(ID_CMD_DISPLAY_TOGGLE);
    return PumpUntil(
        [&] {
            Service();
            return (IsWindowVisible(window_) != FALSE) == shown;
        },
        WAIT_MS);
}

void ChaosTest::BaseScript() {
    // Each Upload taken at once and nothing copied, the Locker opened nowhere; the sign-in
    // is the agent's own. Every answer is logged, so a call its end cut off is told apart.
    for (const char* name : {"1.delay", "12.delay", "12.hr", "12.vt", "12.value"}) script.Remove(name);
    script.Set("1.hr", S_OK);
    script.Set("3.hr", S_OK);
    script.Set("LogAnswers", 1);
    slowLeft_ = 0;
}

void ChaosTest::EndSlowCalls() {
    if (slowLeft_ > 0 && --slowLeft_ == 0) {
        script.Remove("1.delay");
        script.Remove("12.delay");
    }
}

bool ChaosTest::Start() {
    const std::size_t configured = script.LoggedCalls(DispConfigure).size();
    program_.emplace(" /showparcelo");
    window_ = program_->Window();
    if (!window_ || !PumpUntil([&] {
            Service();
            return IsWindowVisible(window_) && script.LoggedCalls(DispConfigure).size() > configured;
        })) {
        Fault("the program did not start and connect");
        return false;
    }
    return true;
}

bool ChaosTest::Exit(bool holdsItems) {
    StopProbe();
    Post(ID_CMD_EXIT);
    const bool ended = PumpUntil(
        [&] {
            Service();
            return !program_->Running();
        },
        WAIT_MS);
    const DWORD code = program_->WaitForExit(0);
    if (holdsItems) ledger_.Exited(ChaosLedger::Delivered(script.Log()).size());
    window_ = nullptr;
    program_.reset();
    if (!ended || code != 0) Fault("Exit did not end the program with code 0 (" + std::to_string(code) + ")");
    return ended && code == 0;
}

// Everything back to a sound agent, signed in, and one more drop that must arrive: all
// dropped before it has been dealt with by then.
void ChaosTest::Settle() {
    settling_ = true;
    BaseScript();
    Note("settle");
    std::vector<std::wstring> last;
    for (int tries = 0; tries < 3 && last.empty(); ++tries) {
        last = MakeFiles(1, 0);
        if (!Drop({Files(last)}, last)) last.clear();
    }
    if (last.empty()) {
        Fault("the program took no drop to settle");
    } else {
        const std::string text = Utf8(last[0]);
        const DWORD limit = SETTLE_MS + static_cast<DWORD>(ledger_.Items()) * 5;
        ULONGLONG checked = 0;
        if (!PumpUntil(
                [&] {
                    Service();
                    if (GetTickCount64() - checked < 250) return false;
                    checked = GetTickCount64();
                    const std::vector<std::string> delivered = ChaosLedger::Delivered(script.Log());
                    return std::find(delivered.begin(), delivered.end(), text) != delivered.end();
                },
                limit))
            Fault("the settling drop did not reach the agent within " + std::to_string(limit / 1000) + " s");
    }
    Serve(300);
    settling_ = false;
}

void ChaosTest::WarmUp() {
    Note("warm-up");
    Post(ID_CMD_SIGN_OUT);
    for (const ChaosEvent& event : {ChaosEvent{ChaosKind::DropFiles, 300, 0}, ChaosEvent{ChaosKind::DropBigFile},
                                    ChaosEvent{ChaosKind::DropText, 0, 1}, ChaosEvent{ChaosKind::Display},
                                    ChaosEvent{ChaosKind::GotoLocker}}) {
        Execute(event);
        Serve(200);
    }
    Settle();
    lifeStartBytes_ = PrivateBytes(program_->Pid());
}

void ChaosTest::Run(uint32_t seed, const std::vector<ChaosEvent>& schedule, bool endsAgent) {
    seed_ = seed;
    events_.clear();
    faults_.clear();
    answerMs_.clear();
    ledger_ = ChaosLedger();
    answers_.seed(seed ^ 0x9e3779b9u);
    printf("chaos seed %u, %zu events\n", seed, schedule.size());
    AgentScript::KillServer();  // a fresh agent starts signed out
    script.ClearLog();
    BaseScript();
    DeleteProductKey();
    const ULONGLONG began = GetTickCount64();
    SIZE_T endBytes = 0;
    if (Start()) {
        WarmUp();
        for (std::size_t i = 0; i < schedule.size() && faults_.empty(); ++i) {
            Note("#" + std::to_string(i) + " " + schedule[i].Describe());
            Execute(schedule[i]);
            if (!program_) break;
            Serve(static_cast<DWORD>(schedule[i].pauseMs));
            EndSlowCalls();
        }
        if (program_ && faults_.empty() && !endsAgent) {
            Settle();
            endBytes = PrivateBytes(program_->Pid());
        }
        // A run cut short by a fault leaves what was held with the program.
        if (program_) Exit(endsAgent || !faults_.empty());
    }
    ChaosCounts counts;
    for (const std::string& fault : ledger_.Check(script.Log(), &counts)) Fault(fault);
    const double p99 = Percentile(answerMs_, 0.99);
    if (p99 > ANSWER_P99_LIMIT_MS) Fault("WM_NULL answered in " + std::to_string(p99) + " ms at the 99th percentile");
    if (endBytes > lifeStartBytes_ + GROWTH_LIMIT_BYTES)
        Fault("private bytes grew from " + std::to_string(lifeStartBytes_ / 1024) + " to " +
              std::to_string(endBytes / 1024) + " KiB");
    printf("chaos seed %u: %zu events in %llu s; items %s; WM_NULL p99 %.2f ms over %zu answers; private bytes "
           "%zu -> %zu KiB\n",
           seed, schedule.size(), (GetTickCount64() - began) / 1000, counts.Describe().c_str(), p99, answerMs_.size(),
           static_cast<size_t>(lifeStartBytes_ / 1024), static_cast<size_t>(endBytes / 1024));
    fflush(stdout);
    if (!faults_.empty()) {
        std::string report = "chaos seed " + std::to_string(seed) + " (run again with CHAOS_SEED=" +
                             std::to_string(seed) + " CHAOS_EVENTS=" + std::to_string(schedule.size()) + "):\n";
        for (const std::string& line : events_) report += "  " + line + "\n";
        ADD_FAILURE() << report;
    }
}

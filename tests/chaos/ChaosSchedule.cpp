#include "tests/chaos/ChaosSchedule.h"

#include <algorithm>

const long CHAOS_UPLOAD_FAILURES[] = {
    static_cast<long>(0x800706BE),  // RPC_S_CALL_FAILED
    static_cast<long>(0x80010012),  // RPC_E_SERVER_DIED_DNE
    static_cast<long>(0x80010105),  // RPC_E_SERVERFAULT
    static_cast<long>(0x80004005),  // E_FAIL
    static_cast<long>(0x80020009),  // DISP_E_EXCEPTION
};
const int CHAOS_UPLOAD_FAILURE_COUNT = 5;

namespace {

struct Weight {
    ChaosKind kind;
    int weight;
    const char* name;
};

// Drops come most often: every other event acts on what they left on the way.
const Weight WEIGHTS[] = {
    {ChaosKind::DropFiles, 30, "drop files"},
    {ChaosKind::DropText, 10, "drop text"},
    {ChaosKind::DropBigFile, 3, "drop a file over the limit"},
    {ChaosKind::Paste, 8, "paste files"},
    {ChaosKind::AgentSignsOut, 5, "agent reports a sign-out"},
    {ChaosKind::AgentSignsIn, 5, "agent reports a sign-in"},
    {ChaosKind::SlowCalls, 6, "slow calls"},
    {ChaosKind::HungCall, 2, "hung call"},
    {ChaosKind::FailingUpload, 5, "failing Upload"},
    {ChaosKind::RejectedCall, 4, "rejected IsSignedIn"},
    {ChaosKind::AgentDiesBetweenCalls, 3, "agent ends between calls"},
    {ChaosKind::AgentDiesInCall, 3, "agent ends during a hand-over"},
    {ChaosKind::Restart, 3, "Exit and start again"},
    {ChaosKind::GotoLocker, 3, "Goto Locker"},
    {ChaosKind::SignOut, 3, "Sign out"},
    {ChaosKind::Display, 3, "Display twice"},
};

const Weight& WeightOf(ChaosKind kind) {
    return *std::find_if(std::begin(WEIGHTS), std::end(WEIGHTS), [kind](const Weight& w) { return w.kind == kind; });
}

}  // namespace

std::string ChaosEvent::Describe() const {
    std::string text = WeightOf(kind).name;
    switch (kind) {
    case ChaosKind::DropFiles:
    case ChaosKind::Paste: text += " x" + std::to_string(count) + " script " + std::to_string(param); break;
    case ChaosKind::DropText: text += param == 0 ? " (URL)" : " (plain)"; break;
    case ChaosKind::SlowCalls: text += " dispid " + std::to_string(param) + " " + std::to_string(count) + " ms"; break;
    case ChaosKind::HungCall: text += param == 1 ? ", End" : ", Wait"; break;
    case ChaosKind::FailingUpload: {
        char code[16];
        snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(CHAOS_UPLOAD_FAILURES[param]));
        text += std::string(" ") + code;
        break;
    }
    case ChaosKind::Restart: text += param == 1 ? ", automatic sign-in" : ", signed out"; break;
    case ChaosKind::AgentDiesInCall: text += param == 1 ? " (right after its answer)" : ""; break;
    default: break;
    }
    return text + ", then " + std::to_string(pauseMs) + " ms";
}

std::vector<ChaosEvent> MakeSchedule(uint32_t seed, std::size_t events, const ChaosMix& mix) {
    std::mt19937 rng(seed);
    auto draw = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    int total = 0;
    for (ChaosKind kind : mix.kinds) total += WeightOf(kind).weight;
    std::vector<ChaosEvent> schedule;
    int hung = 0;
    while (schedule.size() < events && total > 0) {
        int pick = draw(0, total - 1);
        ChaosKind kind = mix.kinds.front();
        for (ChaosKind k : mix.kinds)
            if ((pick -= WeightOf(k).weight) < 0) {
                kind = k;
                break;
            }
        if (kind == ChaosKind::HungCall && hung++ >= mix.hungCalls) continue;
        ChaosEvent event{kind};
        switch (kind) {
        case ChaosKind::DropFiles:
        case ChaosKind::Paste: {
            const int size = draw(0, 99);
            event.count = size < 70 ? draw(1, 5) : size < 96 ? draw(6, 60) : draw(200, std::max(200, mix.mostFiles));
            event.param = draw(0, 7);
            break;
        }
        case ChaosKind::DropText: event.param = draw(0, 1); break;
        case ChaosKind::SlowCalls:
            event.param = draw(0, 1) ? 1 : 12;
            event.count = draw(100, 3000);
            break;
        case ChaosKind::FailingUpload: event.param = draw(0, CHAOS_UPLOAD_FAILURE_COUNT - 1); break;
        case ChaosKind::AgentDiesInCall: event.param = draw(0, 1); break;
        case ChaosKind::Restart: event.param = draw(0, 1); break;
        default: break;
        }
        event.pauseMs = draw(0, 400);
        schedule.push_back(event);
    }
    return schedule;
}

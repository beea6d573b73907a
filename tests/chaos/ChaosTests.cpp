// The chaos run: the real parcelo.exe and the real stand-in agent through a random schedule of
// drops, sign-ins, slow, hung and failing calls, agent ends, exits and menu commands, drawn
// from a printed seed. After every run the agent's log of answered calls must show each
// dropped item once, in drop order, unless the user was told of it, cancelled it or it was
// still held at Exit; the window must answer meanwhile and give back its memory.
//
// CHAOS_SEED=N runs that seed alone; CHAOS_MINUTES=N runs seeds drawn from the clock for that
// long; without either the fixed seeds below run.
#include <algorithm>
#include <cstdlib>

#include "tests/chaos/ChaosRun.h"

namespace {

// Seeds whose schedules hold a hung call and, between them, every other kind of event.
const uint32_t FIXED_SEEDS[] = {11, 23, 37, 52};
constexpr std::size_t EVENTS_PER_SEED = 30;
constexpr std::size_t EVENTS_PER_LONG_SEED = 120;

ChaosMix Mix() {
    ChaosMix mix;
    mix.kinds = {ChaosKind::DropFiles,     ChaosKind::DropText,      ChaosKind::DropBigFile,
                 ChaosKind::Paste,         ChaosKind::AgentSignsOut, ChaosKind::AgentSignsIn,
                 ChaosKind::SlowCalls,     ChaosKind::HungCall,      ChaosKind::FailingUpload,
                 ChaosKind::RejectedCall,  ChaosKind::AgentDiesBetweenCalls, ChaosKind::AgentDiesInCall,
                 ChaosKind::Restart,       ChaosKind::GotoLocker,    ChaosKind::SignOut,
                 ChaosKind::Display};
    return mix;
}

unsigned long FromEnvironment(const char* name) {
    const char* value = getenv(name);
    return value && *value ? strtoul(value, nullptr, 10) : 0;
}

}  // namespace

// A schedule of `events` events; a longer one holds more hung calls, one per 40 events.
static std::vector<ChaosEvent> Schedule(uint32_t seed, std::size_t events) {
    ChaosMix mix = Mix();
    mix.hungCalls = std::max(1, static_cast<int>(events / 40));
    return MakeSchedule(seed, events, mix);
}

TEST_F(ChaosTest, EveryItemReachesTheAgentOnceInOrderOrTheUserIsTold) {
    const unsigned long seed = FromEnvironment("CHAOS_SEED");
    const unsigned long minutes = FromEnvironment("CHAOS_MINUTES");
    const unsigned long events = FromEnvironment("CHAOS_EVENTS");
    if (seed != 0) {
        Run(static_cast<uint32_t>(seed), Schedule(static_cast<uint32_t>(seed), events ? events : EVENTS_PER_SEED));
    } else if (minutes != 0) {
        const ULONGLONG end = GetTickCount64() + minutes * 60000ULL;
        // Every seed is run and reported, a failed one too, until the time is up.
        for (uint32_t next = GetTickCount(); GetTickCount64() < end; ++next)
            Run(next, Schedule(next, events ? events : EVENTS_PER_LONG_SEED));
    } else {
        for (uint32_t fixed : FIXED_SEEDS) Run(fixed, Schedule(fixed, EVENTS_PER_SEED));
    }
}

// End in the question ends the agent the hard way, after which Wine starts no agent of its
// class again in this session: the last agent event of its run, in a session of its own.
// What is dropped afterwards can only be held, and goes with the program at Exit.
TEST_F(ChaosTest, EndInTheQuestionLosesNothingThatWasHeld) {
    if (FromEnvironment("CHAOS_SEED") || FromEnvironment("CHAOS_MINUTES")) GTEST_SKIP() << "a run by hand";
    const uint32_t seed = 5;
    ChaosMix mix = Mix();
    mix.hungCalls = 0;
    std::vector<ChaosEvent> schedule = MakeSchedule(seed, 12, mix);
    schedule.push_back({ChaosKind::HungCall, 0, 1, 500});
    schedule.push_back({ChaosKind::DropFiles, 3, 2, 500});
    Run(seed, schedule, true);
}

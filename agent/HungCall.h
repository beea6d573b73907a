// When a call to the agent that has not returned is put to the user, and what each answer
// does. No windows.h here.
#pragma once

#include <cstdint>

constexpr uint64_t HUNG_FIRST_ASK_MS = 10000;  // unanswered this long: the user is asked
constexpr uint64_t HUNG_ASK_AGAIN_MS = 30000;  // after "Wait", or an end that did not help
// An Exit waiting behind a call that has been out this long ends the program without it; a
// call that returns sooner lets the Exit take its usual way, which lets go of the agent.
constexpr uint64_t HUNG_EXIT_AFTER_MS = 1000;

enum class HungChoice { Wait, EndAgent, Exit };
enum class HungStep { Nothing, Ask, EndAgent, Exit };

// One outstanding call's watch; a new one for every call.
struct HungWatch {
    uint64_t nextAskMs = HUNG_FIRST_ASK_MS;
    bool endRequested = false;
};

// What to do at a look `elapsedMs` into the call. An Exit waiting in the queue wins once the
// call has been out for HUNG_EXIT_AFTER_MS; an end the user chose happens at the next look,
// so that an answer that came meanwhile is taken first and no process is ended for nothing;
// the question is never put twice at once.
HungStep NextHungStep(HungWatch& watch, uint64_t elapsedMs, bool exitWaiting, bool asking);
void TakeHungChoice(HungWatch& watch, HungChoice choice, uint64_t elapsedMs);

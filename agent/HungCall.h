// When a call to the agent that has not returned is put to the user, and what each answer
// does. No windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint64_t HUNG_FIRST_ASK_MS = 10000;  // unanswered this long: the user is asked
constexpr uint64_t HUNG_ASK_AGAIN_MS = 30000;  // after "Wait", or an end that did not help
// An Exit waiting behind a call that has been out this long ends the program without it; a
// call that returns sooner lets the Exit take its usual way, which lets go of the agent. The
// same bound holds for the calls made while the program closes.
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

// The calls out to the agent, innermost last, each with its own clock. A clock counts only the
// agent's silence: it stands still while the program handles something the agent sent during
// that call (a report, and any box or dialog opened inside it), since the agent then waits for
// the program, not the other way round. Calls made inside such a handler have clocks of their own.
class HungClock {
public:
    void BeginCall(uint64_t nowMs);
    void EndCall(uint64_t nowMs);
    // Around the handling of a call from the agent.
    void BeginIncoming(uint64_t nowMs);
    void EndIncoming(uint64_t nowMs);

    std::size_t Depth() const { return calls_.size(); }
    // The innermost call's silence so far; 0 with no call out.
    uint64_t Silence(uint64_t nowMs) const;
    // What to do now about the innermost call; an Ask marks that call as put to the user.
    HungStep Next(uint64_t nowMs, bool exitWaiting, bool asking);
    // The user's answer about the call at `depth` (1 for the outermost), as Next's Ask found it.
    void Take(std::size_t depth, HungChoice choice, uint64_t nowMs);
    // A call out has been put to the user: the agent is known not to answer.
    bool AnyAsked() const;

private:
    struct Call {
        uint64_t startMs = 0;
        uint64_t pausedMs = 0;       // handling what the agent sent, ended stretches
        uint64_t pausedSinceMs = 0;  // the stretch under way, while `pauses` > 0
        int pauses = 0;
        bool asked = false;
        HungWatch watch;
    };
    static uint64_t SilenceOf(const Call& call, uint64_t nowMs);

    std::vector<Call> calls_;
    // For each handler under way, the depth of the call it stopped (0: none was out).
    std::vector<std::size_t> incoming_;
};

// A random schedule of what happens to the program and its agent, drawn from one seed, so
// that a failing run can be run again event for event.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

enum class ChaosKind {
    DropFiles,        // `count` files, names in the script `param` picks
    DropText,         // a URL (`param` 0) or a plain text in any script
    DropBigFile,      // a file over the size the program refuses
    Paste,            // the same as a file drop, through the clipboard and Ctrl+V
    AgentSignsOut,    // the agent reports status 10 and says signed out from then on
    AgentSignsIn,     // the agent reports 12, 19 and 11 and answers for itself again
    SlowCalls,        // calls `param` answered after `count` ms, for the next two events
    HungCall,         // one call unanswered for longer than the question's time; `param` 1 ends the agent
    FailingUpload,    // one Upload fails with the code `param` picks
    RejectedCall,     // one IsSignedIn rejected
    AgentDiesBetweenCalls,
    AgentDiesInCall,  // inside an Upload, which then counts for nothing, or (`param` 1) right after one
    Restart,          // Exit, then a new start, with a stored automatic sign-in when `param` is 1
    GotoLocker,
    SignOut,
    Display,          // hidden and shown again
};

struct ChaosEvent {
    ChaosKind kind;
    int count = 0;
    int param = 0;
    int pauseMs = 0;  // after the event, before the next
    std::string Describe() const;
};

// The failure codes a FailingUpload picks from: the agent gone (the first two), and faults of its own.
extern const long CHAOS_UPLOAD_FAILURES[];
extern const int CHAOS_UPLOAD_FAILURE_COUNT;

struct ChaosMix {
    std::vector<ChaosKind> kinds;  // the kinds that may come up
    int hungCalls = 1;             // at most this many HungCall events
    int mostFiles = 3000;          // the largest file drop
};

std::vector<ChaosEvent> MakeSchedule(uint32_t seed, std::size_t events, const ChaosMix& mix);

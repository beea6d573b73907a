#include "agent/HungCall.h"

HungStep NextHungStep(HungWatch& watch, uint64_t elapsedMs, bool exitWaiting, bool asking) {
    if (exitWaiting && elapsedMs >= HUNG_EXIT_AFTER_MS) return HungStep::Exit;
    if (watch.endRequested) {
        watch.endRequested = false;
        return HungStep::EndAgent;
    }
    if (asking || elapsedMs < watch.nextAskMs) return HungStep::Nothing;
    return HungStep::Ask;
}

void TakeHungChoice(HungWatch& watch, HungChoice choice, uint64_t elapsedMs) {
    watch.nextAskMs = elapsedMs + HUNG_ASK_AGAIN_MS;
    watch.endRequested = choice == HungChoice::EndAgent;
}

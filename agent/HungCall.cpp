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

void HungClock::BeginCall(uint64_t nowMs) {
    Call call;
    call.startMs = nowMs;
    calls_.push_back(call);
}

void HungClock::EndCall(uint64_t) {
    if (!calls_.empty()) calls_.pop_back();
}

void HungClock::BeginIncoming(uint64_t nowMs) {
    incoming_.push_back(calls_.size());
    if (calls_.empty()) return;
    Call& call = calls_.back();
    if (call.pauses++ == 0) call.pausedSinceMs = nowMs;
}

void HungClock::EndIncoming(uint64_t nowMs) {
    if (incoming_.empty()) return;
    const std::size_t depth = incoming_.back();
    incoming_.pop_back();
    // The call it stopped may have ended meanwhile, in a program that unwinds oddly.
    if (depth == 0 || depth > calls_.size()) return;
    Call& call = calls_[depth - 1];
    if (call.pauses > 0 && --call.pauses == 0 && nowMs > call.pausedSinceMs) call.pausedMs += nowMs - call.pausedSinceMs;
}

uint64_t HungClock::SilenceOf(const Call& call, uint64_t nowMs) {
    const uint64_t until = call.pauses > 0 ? call.pausedSinceMs : nowMs;
    const uint64_t out = until > call.startMs ? until - call.startMs : 0;
    return out > call.pausedMs ? out - call.pausedMs : 0;
}

uint64_t HungClock::Silence(uint64_t nowMs) const { return calls_.empty() ? 0 : SilenceOf(calls_.back(), nowMs); }

HungStep HungClock::Next(uint64_t nowMs, bool exitWaiting, bool asking) {
    if (calls_.empty()) return HungStep::Nothing;
    Call& call = calls_.back();
    const HungStep step = NextHungStep(call.watch, SilenceOf(call, nowMs), exitWaiting, asking);
    if (step == HungStep::Ask) call.asked = true;
    return step;
}

void HungClock::Take(std::size_t depth, HungChoice choice, uint64_t nowMs) {
    // Only the call the question was about: an answer never reaches another call.
    if (depth == 0 || depth > calls_.size()) return;
    Call& call = calls_[depth - 1];
    TakeHungChoice(call.watch, choice, SilenceOf(call, nowMs));
}

bool HungClock::AnyAsked() const {
    for (const Call& call : calls_)
        if (call.asked) return true;
    return false;
}

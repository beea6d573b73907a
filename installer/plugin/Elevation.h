// Whether the setup may start Parcelo itself, and as whom. Parcelo must run as the signed-in
// user's normal process: started elevated, it gets no drops from Explorer (a program of a
// lower integrity level cannot drop on it) and COM ignores per-user registrations for it, so
// it would not find the Local Locker. Plain C++, so that the decision is tested by itself.
#pragma once

#include <optional>
#include <string>

namespace setup {

// What decides it, read from a process's token.
struct TokenFacts {
    bool elevated = false;  // TokenElevation: an administrator's full token, as "Run as administrator" gives
    std::wstring user;      // the account's SID as text
};

enum class StartRoute {
    Direct,        // the setup starts it and it runs as the user's other programs do
    AsShell,       // started with the token of the shell (the desktop the user works in)
    NoShell,       // elevated, and no shell to take the user's normal token from: not started
    OtherAccount,  // elevated as another account than the signed-in one: not started
};

// `shell`: the shell's token facts, when there is a shell and its token could be read.
StartRoute ChooseStartRoute(const TokenFacts& setup, const std::optional<TokenFacts>& shell);

// Why Parcelo was not started, for the setup's message; empty for the routes that start it.
std::wstring NotStartedReason(StartRoute route);

// Whose profile the setup would install into. A setup run as a service account (a management
// tool's "system" install) or elevated with another admin's credentials would install into
// that account's profile, and no user would get Parcelo.
enum class AccountFit {
    SignedInUser,    // the setup runs as the user signed in to Windows (or there is no shell to ask)
    ServiceAccount,  // SYSTEM, LocalService or NetworkService
    OtherAccount,    // another account than the shell's
};

// `shell` as for ChooseStartRoute.
AccountFit CheckAccount(const TokenFacts& setup, const std::optional<TokenFacts>& shell);
// The setup's message for an account that does not fit; empty when it fits.
std::wstring WrongAccountText(AccountFit fit);

}  // namespace setup

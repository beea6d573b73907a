#include "installer/plugin/Elevation.h"

namespace setup {

StartRoute ChooseStartRoute(const TokenFacts& setup, const std::optional<TokenFacts>& shell) {
    if (!setup.elevated) return StartRoute::Direct;
    if (!shell) return StartRoute::NoShell;
    // Elevated with another account's password: that account's profile got the install, and
    // the signed-in user's desktop must not start a program from it.
    if (shell->user.empty() || shell->user != setup.user) return StartRoute::OtherAccount;
    // The whole desktop runs elevated (UAC switched off): Parcelo then runs as everything else.
    if (shell->elevated) return StartRoute::Direct;
    return StartRoute::AsShell;
}

std::wstring NotStartedReason(StartRoute route) {
    switch (route) {
    case StartRoute::NoShell:
        return L"this setup runs as administrator, and Parcelo must not: it would then take no drops "
               L"from Explorer.";
    case StartRoute::OtherAccount:
        return L"this setup runs as another account than the one signed in to Windows, and Parcelo "
               L"was installed for that account.";
    case StartRoute::Direct:
    case StartRoute::AsShell:
        break;
    }
    return std::wstring();
}

}  // namespace setup

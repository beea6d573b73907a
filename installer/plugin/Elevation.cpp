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

AccountFit CheckAccount(const TokenFacts& setup, const std::optional<TokenFacts>& shell) {
    for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"})
        if (setup.user == service) return AccountFit::ServiceAccount;
    if (shell && !shell->user.empty() && shell->user != setup.user) return AccountFit::OtherAccount;
    return AccountFit::SignedInUser;
}

std::wstring WrongAccountText(AccountFit fit) {
    const wchar_t* const how =
        L"Parcelo is installed for one user, into that user's own folders. Start the setup as the "
        L"user who will use Parcelo, signed in to Windows, with a double click (no administrator "
        L"rights are needed); a management tool must run it as that user, in the user's session. "
        L"Nothing was changed.";
    switch (fit) {
    case AccountFit::ServiceAccount:
        return std::wstring(L"This setup runs as a system account, which no one signs in with.\r\n\r\n") + how;
    case AccountFit::OtherAccount:
        return std::wstring(L"This setup runs as another account than the one signed in to Windows.\r\n\r\n") +
               how;
    case AccountFit::SignedInUser:
        break;
    }
    return std::wstring();
}

}  // namespace setup

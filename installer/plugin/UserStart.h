// Parcelo started as the signed-in user's normal process, whatever token the setup runs with
// (the decision itself is ChooseStartRoute's).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "installer/plugin/Elevation.h"

namespace setup {

std::optional<TokenFacts> FactsOf(HANDLE token);
// True for a setup started with "Run as administrator" (or by an elevated program).
bool SetupIsElevated();
// Whose profile this setup would install into (the shell's token tells who is signed in).
AccountFit SetupAccountFit();
// Starts `commandLine` in `folder`; empty when it started, otherwise why it did not.
std::wstring StartAsUser(const std::wstring& commandLine, const std::wstring& folder);

}  // namespace setup

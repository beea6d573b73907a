#include "installer/plugin/UserStart.h"

#include <sddl.h>

#include <vector>

#include "installer/plugin/ErrorText.h"
#include "win/UniqueHandle.h"

namespace setup {

namespace {

UniqueHandle OwnToken() {
    HANDLE token = nullptr;
    return UniqueHandle(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ? token : nullptr);
}

// The token of the desktop the user works in: the shell window's process, else the taskbar's
// (a replacement shell, or Wine, may set no shell window).
UniqueHandle ShellToken() {
    HWND shell = GetShellWindow();
    if (!shell) shell = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || pid == 0) return UniqueHandle();
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    HANDLE token = nullptr;
    if (!process.Valid() || !OpenProcessToken(process.Get(), TOKEN_QUERY | TOKEN_DUPLICATE, &token))
        return UniqueHandle();
    return UniqueHandle(token);
}

std::wstring Started(BOOL created, PROCESS_INFORMATION& info, const wchar_t* failure) {
    if (!created) return failure + ErrorText(GetLastError()) + L").";
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return std::wstring();
}

}  // namespace

std::optional<TokenFacts> FactsOf(HANDLE token) {
    TokenFacts facts;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) return std::nullopt;
    facts.elevated = elevation.TokenIsElevated != 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size ? size : 1);
    wchar_t* sid = nullptr;
    if (!GetTokenInformation(token, TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
        return std::nullopt;
    facts.user = sid;
    LocalFree(sid);
    return facts;
}

bool SetupIsElevated() {
    const UniqueHandle token = OwnToken();
    const std::optional<TokenFacts> facts = token.Valid() ? FactsOf(token.Get()) : std::nullopt;
    return facts && facts->elevated;
}

AccountFit SetupAccountFit() {
    const UniqueHandle own = OwnToken();
    const TokenFacts setupFacts = own.Valid() ? FactsOf(own.Get()).value_or(TokenFacts()) : TokenFacts();
    const UniqueHandle shell = ShellToken();
    return CheckAccount(setupFacts, shell.Valid() ? FactsOf(shell.Get()) : std::nullopt);
}

std::wstring StartAsUser(const std::wstring& commandLine, const std::wstring& folder) {
    const UniqueHandle own = OwnToken();
    // A token that tells nothing is no elevated one: such a setup starts Parcelo as itself.
    const TokenFacts setupFacts = own.Valid() ? FactsOf(own.Get()).value_or(TokenFacts()) : TokenFacts();
    const UniqueHandle shell = setupFacts.elevated ? ShellToken() : UniqueHandle();
    const StartRoute route = ChooseStartRoute(setupFacts, shell.Valid() ? FactsOf(shell.Get()) : std::nullopt);

    std::wstring line = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const wchar_t* const dir = folder.empty() ? nullptr : folder.c_str();
    switch (route) {
    case StartRoute::Direct:
        return Started(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &startup, &info),
                       info, L"it could not be started (");
    case StartRoute::AsShell: {
        HANDLE primary = nullptr;
        if (!DuplicateTokenEx(shell.Get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                                  TOKEN_ADJUST_SESSIONID,
                              nullptr, SecurityImpersonation, TokenPrimary, &primary))
            return L"this setup runs as administrator, and your normal rights could not be taken for Parcelo (" +
                   ErrorText(GetLastError()) + L").";
        const UniqueHandle owned(primary);
        return Started(CreateProcessWithTokenW(primary, 0, nullptr, &line[0], 0, nullptr, dir, &startup, &info), info,
                       L"this setup runs as administrator, and Parcelo could not be started with your normal rights (");
    }
    case StartRoute::NoShell:
    case StartRoute::OtherAccount:
        break;
    }
    return NotStartedReason(route);
}

}  // namespace setup

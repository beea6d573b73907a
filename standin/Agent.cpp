#include "Agent.h"

#include <shellapi.h>
#include <shlobj.h>

#include "AccountStore.h"
#include "AgentSettings.h"
#include "Notifier.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {

Agent* g_current = nullptr;

constexpr short kReadySignedOut = 10;
constexpr short kReadySignedIn = 11;
constexpr short kConnecting = 12;
constexpr short kDownloadingUpgrade = 17;
constexpr short kSignedIn = 19;
constexpr short kAuthenticationFailed = 104;
constexpr short kBadPassword = 108;
constexpr short kNotSignedIn = 109;

void PostStatus(short code) { Notifier::Post(agentproto::EventStatus, code); }

}  // namespace

Agent::Agent() { g_current = this; }

Agent::~Agent() {
    Shutdown();
    g_current = nullptr;
}

Agent& Agent::Current() { return *g_current; }

void Agent::Shutdown() { queue_.Stop(); }

void Agent::EndSession() {
    if (queue_.CancelAll()) Notifier::Post(agentproto::EventProgress, -1);
    account_.clear();
}

void Agent::Upload(const std::wstring& item) {
    if (!SignedIn()) {
        PostStatus(kNotSignedIn);
        return;
    }
    // Dropped text often carries a line break or spaces around the URL.
    const size_t first = item.find_first_not_of(L" \t\r\n");
    const size_t last = item.find_last_not_of(L" \t\r\n");
    const std::wstring trimmed = first == std::wstring::npos ? std::wstring() : item.substr(first, last - first + 1);
    queue_.Add({trimmed, AgentSettings::LockerOf(account_)});
}

bool Agent::SignIn(const std::wstring& address, const std::wstring& password) {
    // A malformed request is refused outright and leaves the session as it was.
    const std::string account = AccountStore::Normalize(address);
    if (account.empty() || password.empty()) {
        PostStatus(kAuthenticationFailed);
        return false;
    }
    EndSession();
    PostStatus(kConnecting);
    switch (AccountStore::Verify(account, password)) {
    case AccountStore::Outcome::Created:
    case AccountStore::Outcome::Matched:
        account_ = account;
        PostStatus(kSignedIn);
        PostStatus(kReadySignedIn);
        break;
    case AccountStore::Outcome::WrongPassword:
        PostStatus(kBadPassword);
        break;
    case AccountStore::Outcome::Failed:
        PostStatus(kAuthenticationFailed);
        break;
    }
    return true;
}

void Agent::SignOut() {
    EndSession();
    PostStatus(kReadySignedOut);
}

void Agent::OpenLocker() {
    if (!SignedIn()) {
        PostStatus(kNotSignedIn);
        return;
    }
    const std::wstring locker = AgentSettings::LockerOf(account_);
    if (locker.empty()) return;
    SHCreateDirectoryExW(nullptr, locker.c_str(), nullptr);
    ShellExecuteW(nullptr, L"open", locker.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Agent::RegisterUser(const std::wstring& extra) { AgentSettings::SetRegisteredUser(extra); }

bool Agent::UpgradeAvailable() const { return AgentSettings::UpgradeAvailable(); }

void Agent::Upgrade() {
    // Pretends to fetch and install the new version: nothing on screen, no restart.
    if (!AgentSettings::UpgradeAvailable()) return;
    PostStatus(kDownloadingUpgrade);
    AgentSettings::ClearUpgradeAvailable();
    PostStatus(SignedIn() ? kReadySignedIn : kReadySignedOut);
}

}  // namespace standin

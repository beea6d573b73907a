#include "Agent.h"

#include <shellapi.h>

#include "AccountStore.h"
#include "AgentSettings.h"
#include "LongPath.h"
#include "Notifier.h"
#include "ServerModule.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {

Agent* g_current = nullptr;

constexpr short READY_SIGNED_OUT = 10;
constexpr short READY_SIGNED_IN = 11;
constexpr short CONNECTING = 12;
constexpr short UPLOADING = 13;
constexpr short DOWNLOADING_UPGRADE = 17;
constexpr short SIGNED_IN = 19;
constexpr short AUTHENTICATION_FAILED = 104;
constexpr short BAD_PASSWORD = 108;
// An address the Locker cannot take: the client shows "Bad user name or password" and opens
// its Sign In dialog again, where the user can correct it.
constexpr short REFUSED_ADDRESS = BAD_PASSWORD;
constexpr short NOT_SIGNED_IN = 109;

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
    ReleaseServer();
    account_.clear();
}

void Agent::HoldServer() {
    if (holdsServer_) return;
    holdsServer_ = true;
    ServerModule::Lock();
}

void Agent::ReleaseServer() {
    if (!holdsServer_) return;
    holdsServer_ = false;
    ServerModule::Unlock();  // may end the server, when no client holds it either
}

void Agent::QueueDrained() {
    if (queue_.FilesToGo() == 0) ReleaseServer();
}

std::wstring Agent::CurrentFileName() const {
    std::wstring item;
    return Notifier::FiringItem(&item) ? item : queue_.CurrentName();
}

void Agent::Upload(const std::wstring& item) {
    if (!SignedIn()) {
        PostStatus(NOT_SIGNED_IN);
        return;
    }
    // Dropped text often carries a line break or spaces around the URL.
    const size_t first = item.find_first_not_of(L" \t\r\n");
    const size_t last = item.find_last_not_of(L" \t\r\n");
    std::wstring trimmed = first == std::wstring::npos ? std::wstring() : item.substr(first, last - first + 1);
    trimmed.resize(wcsnlen(trimmed.c_str(), trimmed.size()));  // no path or URL goes past a NUL
    HoldServer();
    queue_.Add({trimmed, AgentSettings::LockerOf(account_)});
}

bool Agent::SignIn(const std::wstring& address, const std::wstring& password) {
    // A malformed request is refused outright and leaves the session as it was.
    const std::wstring account = AccountStore::Normalize(address);
    if (account.empty() || password.empty()) {
        PostStatus(account.empty() ? REFUSED_ADDRESS : AUTHENTICATION_FAILED);
        return false;
    }
    // Signing in again to the session that stands (the client starts again and signs in
    // automatically) keeps its uploads going; any other sign-in ends that session first.
    const bool sameSession = account == account_;
    if (!sameSession) EndSession();
    PostStatus(CONNECTING);
    switch (AccountStore::Verify(account, password)) {
    case AccountStore::Outcome::Created:
    case AccountStore::Outcome::Matched:
        account_ = account;
        PostStatus(SIGNED_IN);
        // Uploads still going on, or left waiting by an earlier process of this account, go
        // on (the worker reports each item); only an idle session is ready.
        if (sameSession && queue_.FilesToGo() > 0)
            Notifier::Post(agentproto::EventStatus, UPLOADING, queue_.CurrentName());
        else if (!sameSession && queue_.Resume(AgentSettings::LockerOf(account_)) > 0)
            HoldServer();
        else
            PostStatus(READY_SIGNED_IN);
        break;
    case AccountStore::Outcome::WrongPassword:
        EndSession();
        PostStatus(BAD_PASSWORD);
        break;
    case AccountStore::Outcome::Failed:
        EndSession();
        PostStatus(AUTHENTICATION_FAILED);
        break;
    }
    return true;
}

void Agent::SignOut() {
    EndSession();
    PostStatus(READY_SIGNED_OUT);
}

void Agent::OpenLocker() {
    if (!SignedIn()) {
        PostStatus(NOT_SIGNED_IN);
        return;
    }
    const std::wstring locker = AgentSettings::LockerOf(account_);
    if (locker.empty()) return;
    LongPath::CreateTree(LongPath::Of(locker));
    ShellExecuteW(nullptr, L"open", locker.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Agent::RegisterUser(const std::wstring& extra) { AgentSettings::SetRegisteredUser(extra); }

bool Agent::UpgradeAvailable() const { return AgentSettings::UpgradeAvailable(); }

void Agent::Upgrade() {
    // Pretends to fetch and install the new version: nothing on screen, no restart.
    if (!AgentSettings::UpgradeAvailable()) return;
    PostStatus(DOWNLOADING_UPGRADE);
    AgentSettings::ClearUpgradeAvailable();
    PostStatus(SignedIn() ? READY_SIGNED_IN : READY_SIGNED_OUT);
}

}  // namespace standin

// The agent's default behaviour: one session (signed-in account and upload queue) shared by
// every client of the process. STA only, except what the upload worker reports.
#pragma once

#include <windows.h>
#include <string>

#include "UploadQueue.h"

namespace standin {

class Agent {
public:
    Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;
    ~Agent();

    static Agent& Current();
    void Shutdown();

    void Upload(const std::wstring& item);
    // The queue has run empty (its last notifications are out): the server may end.
    void QueueDrained();
    bool SignIn(const std::wstring& address, const std::wstring& password);
    void SignOut();
    void OpenLocker();
    bool SignedIn() const { return !account_.empty(); }
    // Inside a queue's notification, its item; otherwise the item in progress, or the last one.
    std::wstring CurrentFileName() const;
    short FilesToGo() const { return queue_.FilesToGo(); }
    // Tunes the real agent's connection; the local Locker has nothing to tune.
    void Configure(short /*value*/) {}
    void RegisterUser(const std::wstring& extra);
    bool UpgradeAvailable() const;
    void Upgrade();

private:
    void EndSession();
    // While uploads wait, the server stays for them though every client has let go.
    void HoldServer();
    void ReleaseServer();

    std::wstring account_;  // empty when signed out
    UploadQueue queue_;
    bool holdsServer_ = false;
};

}  // namespace standin

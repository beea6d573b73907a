#include "agent/DeferredLogin.h"

#include <utility>

void DeferredLogin::AddPendingFile(const UploadItem& item) { pendingFiles.push_back(item); }

void DeferredLogin::HoldLockerRequest() {
    if (lockerPending == 1) return;  // the first request keeps its place
    lockerPending = 1;
    lockerAt_ = pendingFiles.size();
}

HeldWork DeferredLogin::TakeHeld() {
    HeldWork work;
    work.items = std::move(pendingFiles);
    pendingFiles.clear();
    if (lockerPending == 1) work.openLockerAt = lockerAt_ < work.items.size() ? lockerAt_ : work.items.size();
    lockerPending = 0;
    if (!work.Empty()) ++takes_;
    return work;
}

void DeferredLogin::ClearDeferred() {
    lockerPending = 0;
    pendingFiles.clear();
}

void DeferredLogin::RecordRequest(const std::wstring& user, const std::wstring& pass, int autoSignIn) {
    userName = user;
    password = pass;
    autoLogin = autoSignIn;
    hasRequest_ = true;
}

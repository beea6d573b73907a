#include "agent/DeferredLogin.h"

void DeferredLogin::AddPendingFile(const UploadItem& item) { pendingFiles.push_back(item); }

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

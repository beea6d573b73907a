// What waits for a sign-in to succeed: the items dropped meanwhile, a request to open the
// Locker, and the credentials of the latest sign-in request.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "drop/HeldWork.h"
#include "drop/UploadItem.h"

class DeferredLogin {
public:
    std::vector<UploadItem> pendingFiles;  // in order of arrival, exactly as dropped; duplicates kept
    int lockerPending = 0;
    std::wstring userName;
    std::wstring password;
    int autoLogin = 0;

    void AddPendingFile(const UploadItem& item);
    // The Locker is to open once the items held so far have gone.
    void HoldLockerRequest();
    // Empties the record of what waits, and gives it back in order.
    HeldWork TakeHeld();
    // How often held work has been taken out so far: a change tells a caller that items
    // older than its own went ahead meanwhile.
    unsigned long Takes() const { return takes_; }
    bool Waiting() const { return !pendingFiles.empty() || lockerPending == 1; }
    // Drops the pending items and the Locker request; the credentials stay.
    void ClearDeferred();
    // Replaces the credentials with those of a new sign-in request.
    void RecordRequest(const std::wstring& user, const std::wstring& pass, int autoSignIn);
    // False until a sign-in has been requested in this run: a sign-in success reported
    // before that must not replace the stored settings with empty credentials.
    bool HasRequest() const { return hasRequest_; }

private:
    bool hasRequest_ = false;
    std::size_t lockerAt_ = 0;
    unsigned long takes_ = 0;
};

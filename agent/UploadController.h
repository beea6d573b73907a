// The client the program actually creates: what each status from the agent does, the size
// check before an upload, the deferred Locker request and the weekly upgrade reminder.
#pragma once

#include "agent/AgentClient.h"
#include "agent/SizeProbe.h"

class AgentHost;

constexpr unsigned long long MAX_UPLOAD_BYTES = 26214400;  // 25 MiB: this size and above are refused
// Upload's answer while a file's size is still being read elsewhere: ask again later.
const HRESULT SIZE_CHECK_PENDING = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x201);
// Upload's answer for a file too big to go, after the box that says so.
const HRESULT FILE_TOO_BIG = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x202);

class UploadController : public AgentClient {
public:
    explicit UploadController(AgentHost& host) : host_(host) {}

    HRESULT SignIn(const wchar_t* email, const wchar_t* password) override;
    HRESULT Upload(const UploadItem& item, int flag) override;
    HRESULT OpenLocker() override;
    void OnProgress(int percent) override;
    void OnStatus(int code) override;

    bool IsReminderDue();
    void CheckForUpgrade();

protected:
    void ShowIncompatible() override;

private:
    void ShowStatusMessage(const wchar_t* text);

    AgentHost& host_;
    SizeProbe sizeProbe_;
};

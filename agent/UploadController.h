// The client the program actually creates: what each status from the agent does, the size
// check before an upload, the deferred Locker request and the weekly upgrade reminder.
#pragma once

#include "agent/AgentClient.h"
#include "agent/SizeProbe.h"

class AgentHost;
class AgentLink;
class FileReceiver;
struct UserSettings;

// What a controller works with, all of it its session's: the window's face, the settings that
// keep the reminder's time, the receiver that takes what the statuses start, and the size
// check, whose readers and unanswered volumes outlive any one connection.
struct ControllerParts {
    AgentHost& host;
    UserSettings& settings;
    FileReceiver& receiver;
    SizeProbe& sizeProbe;
};

constexpr unsigned long long MAX_UPLOAD_BYTES = 26214400;  // 25 MiB: this size and above are refused

class UploadController : public AgentClient {
public:
    // `link` gives the client in use (this one, or the one that replaced it) for the files to go.
    UploadController(const ControllerParts& parts, AgentLink& link)
        : host_(parts.host), settings_(parts.settings), receiver_(parts.receiver), sizeProbe_(parts.sizeProbe),
          link_(link) {}

    HRESULT SignIn(const wchar_t* email, const wchar_t* password) override;
    UploadResult Upload(const UploadItem& item, int flag) override;
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
    UserSettings& settings_;
    FileReceiver& receiver_;
    SizeProbe& sizeProbe_;
    AgentLink& link_;
};

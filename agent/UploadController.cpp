#include "agent/UploadController.h"

#include <string>

#include "agent/AgentHost.h"
#include "agent/AgentLink.h"
#include "agent/FileReceiver.h"
#include "agent/SizeCheckPath.h"
#include "agent/SizeProbe.h"
#include "agent/StatusTable.h"
#include "agent/UpgradeReminder.h"
#include "settings/UserSettings.h"


HRESULT UploadController::SignIn(const wchar_t* email, const wchar_t* password) {
    const HRESULT hr = AgentClient::SignIn(email, password);
    int signedIn = 0;
    if (SUCCEEDED(hr) && SUCCEEDED(IsSignedIn(&signedIn)) && signedIn == 1 && IsReminderDue()) {
        // Set before asking, so the next prompt is a week away whatever happens now.
        settings_.remindTime = host_.Now();
        CheckForUpgrade();
    }
    return hr;
}

bool UploadController::IsReminderDue() { return ::IsReminderDue(settings_.remindTime, host_.Now()); }

void UploadController::CheckForUpgrade() {
    long available = 0;
    if (FAILED(IsUpgradeAvailable(&available)) || available != 1) return;
    const int answer = host_.ShowMessage(
        host_.MainWindowHandle(),
        L"A new version of Parcelo is availible for free download. Would you like to upgrade?", MESSAGE_CAPTION,
        MB_YESNO);
    if (answer == IDYES) Upgrade();
}

UploadResult UploadController::Upload(const UploadItem& item, int flag) {
    // What the check must not open goes unchecked, as a file it cannot open does.
    const bool mayOpen = MayOpenForSizeCheck(std::u16string(item.text.begin(), item.text.end()), item.fromFileList);
    unsigned long long size = 0;
    bool known = false;
    if (mayOpen && OnLocalFixedDrive(item.text)) {
        known = ReadFileSize(item.text, &size);
    } else if (mayOpen) {
        // A share or another drive may hold the window for a network timeout: read elsewhere,
        // and asked again until read or given up.
        switch (sizeProbe_.Check(item.text, &size)) {
        case SizeProbe::Result::Waiting: return UploadResult::SizePending;
        case SizeProbe::Result::Known: known = true; break;
        case SizeProbe::Result::Unknown: break;
        }
    }
    if (!known || size < MAX_UPLOAD_BYTES) return AgentClient::Upload(item, flag);
    host_.ShowMessage(nullptr, FormatTooBig(item.text.c_str()).c_str(), MESSAGE_CAPTION, MB_OK);
    return UploadResult::TooBig;
}

HRESULT UploadController::OpenLocker() {
    if (receiver_.BeginFiles() != BeginResult::Go) return E_FAIL;
    int signedIn = 0;
    const HRESULT hr = IsSignedIn(&signedIn);
    if (FAILED(hr) || signedIn == 0) {
        receiver_.HoldLockerForSignIn();
        return S_FALSE;  // taken: it opens once the sign-in is done
    }
    return AgentClient::OpenLocker();
}

// The count comes from the client in use: a call that found this one's agent gone has had it
// replaced, and the new one is asked.
void UploadController::OnProgress(int percent) {
    int toGo = 0;
    AgentClient* client = percent != -1 ? link_.Get() : nullptr;
    const bool known = client && SUCCEEDED(client->GetFilesToGo(&toGo));
    host_.Display().SetProgress(percent, known ? &toGo : nullptr);
}

void UploadController::ShowStatusMessage(const wchar_t* text) {
    host_.ShowMessage(host_.MainWindowHandle(), text, MESSAGE_CAPTION, MB_OK);
}

void UploadController::OnStatus(int code) {
    const StatusRule rule = LookupStatus(code);
    StatusDisplay& display = host_.Display();
    switch (rule.action) {
    case StatusAction::None: break;
    case StatusAction::Ready:
        display.SetStatus(READY_TEXT, nullptr);
        display.SetProgress(-1, nullptr);
        break;
    case StatusAction::Working:
        display.SetStatus(WORKING_TEXT, nullptr);
        display.SetProgress(-1, nullptr);
        break;
    case StatusAction::Uploading: {
        wchar_t name[260];
        GetCurrentFileName(name, ARRAYSIZE(name));
        display.SetUploadingStatus(name);
        break;
    }
    case StatusAction::SignedIn: receiver_.ReplayDeferred(); break;
    case StatusAction::Busy: display.ShowBusyStatus(); break;
    case StatusAction::CannotConnect: display.ShowCannotConnectStatus(); break;
    case StatusAction::Message: ShowStatusMessage(rule.text); break;
    case StatusAction::MessageThenSignIn:
        ShowStatusMessage(rule.text);
        // The Sign In dialog runs and ends before this notification returns.
        receiver_.ShowSignInDialog();
        break;
    case StatusAction::UploadFailed: {
        wchar_t name[261];
        GetCurrentFileName(name, ARRAYSIZE(name));
        ShowStatusMessage(FormatUploadFailed(name).c_str());
        break;
    }
    }
}

void UploadController::ShowIncompatible() {
    host_.ShowMessage(nullptr, L"Incompatible server version. Download new version of Velorex (Parcelo) from SonavoWeb",
                      L"API", MB_OK);
}

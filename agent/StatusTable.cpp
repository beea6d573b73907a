#include "agent/StatusTable.h"

const wchar_t* const READY_TEXT      = L"Drag files here";
const wchar_t* const WORKING_TEXT    = L"One moment, please";
const wchar_t* const CONNECTING_TEXT = L"Connecting...";
const wchar_t* const MESSAGE_CAPTION = L"Parcelo";
const wchar_t* const AGENT_STOPPED_TEXT =
    L"UploadAgent stopped unexpectedly. Your files will be sent when you sign in again.";
const wchar_t* const STEP_FAILED_TEXT =
    L"Some of the dropped items could not be handed to UploadAgent. Please drop them again.";

namespace {

const wchar_t CANNOT_CONNECT[] = L"Cannot connect to Sonavo. Please try again.";

struct StatusEntry {
    int code;
    StatusRule rule;
};

// Scanned in order; the first entry with the code wins.
const StatusEntry STATUS_TABLE[] = {
    {10, {StatusAction::Ready, nullptr}},
    {STATUS_SIGNED_IN_IDLE, {StatusAction::Ready, nullptr}},
    {16, {StatusAction::Ready, nullptr}},
    {12, {StatusAction::Working, nullptr}},
    {17, {StatusAction::Working, nullptr}},
    {13, {StatusAction::Uploading, nullptr}},
    {15, {StatusAction::Uploading, nullptr}},
    {STATUS_SIGNED_IN, {StatusAction::SignedIn, nullptr}},
    {22, {StatusAction::Busy, nullptr}},
    {101, {StatusAction::Message, CANNOT_CONNECT}},
    {102, {StatusAction::Message, CANNOT_CONNECT}},
    {103, {StatusAction::Message, CANNOT_CONNECT}},
    {105, {StatusAction::Message, CANNOT_CONNECT}},
    {106, {StatusAction::Message, CANNOT_CONNECT}},
    {107, {StatusAction::Message, CANNOT_CONNECT}},
    {110, {StatusAction::Message, CANNOT_CONNECT}},
    {115, {StatusAction::Message, CANNOT_CONNECT}},
    {104, {StatusAction::Message, L"Authentication failed"}},
    {108, {StatusAction::MessageThenSignIn, L"Failed to authenticate. Bad user name or password"}},
    {109, {StatusAction::Message, L"Operation is not allowed: User is not logged in"}},
    {111, {StatusAction::UploadFailed, nullptr}},
    {112, {StatusAction::Message, L"Failed to download file"}},
    {113, {StatusAction::Message, L"No space left in your locker. All pending requests will be canceled."}},
    {114, {StatusAction::Message, L"Upload error. Please make sure the URL ends in .mp3, then try again."}},
    {116, {StatusAction::Message, L"Cannot connect to SonavoWeb. Please try again."}},
    {117, {StatusAction::Message, L"Failed to connect! Make sure your session cookies enabled and try again."}},
    {118, {StatusAction::MessageThenSignIn,
           L"Failed to connect or server too busy. Make sure your persistent cookies enabled and try again."}},
    {120, {StatusAction::CannotConnect, nullptr}},
    {121, {StatusAction::Message,
           L"Sorry, but we cannot upload files in this format. Please try an .mp3, .wma, .asf, or other "
           L"commonly used audio file."}},
};

}  // namespace

StatusRule LookupStatus(int statusCode) {
    for (const StatusEntry& entry : STATUS_TABLE)
        if (entry.code == statusCode) return entry.rule;
    return {StatusAction::None, nullptr};
}

// Texts from outside (paths, the agent's file names) are inserted, never used as formats.
std::wstring FormatConnectFailure(int failureCode) {
    return L"Failed to connect to Sonavo Server with failure code '" + std::to_wstring(failureCode) +
           L"'. Reinstall Parcelo or download newer version.";
}

std::wstring FormatUploadFailed(const wchar_t* fileName) {
    return std::wstring(L"Sorry, but an error occurred when we tried to upload ") + (fileName ? fileName : L"") +
           L" to your Locker. Please try again";
}

std::wstring FormatTooBig(const wchar_t* path) {
    return std::wstring(L"File '") + (path ? path : L"") + L"' is too big to upload or wrong file name.";
}

std::wstring FormatRefused(const std::vector<std::wstring>& items) {
    std::wstring text = std::to_wstring(items.size()) + (items.size() == 1 ? L" file" : L" files") +
                        L" could not be handed to UploadAgent:";
    const std::size_t named = items.size() < REFUSED_NAMES_SHOWN ? items.size() : REFUSED_NAMES_SHOWN;
    for (std::size_t i = 0; i < named; ++i) text += L"\n" + items[i];
    if (named < items.size()) text += L"\n(and " + std::to_wstring(items.size() - named) + L" more)";
    return text;
}

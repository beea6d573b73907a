// What each StatusCode from the agent means to the program, and the texts of the agent
// messages. No windows.h here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The codes the program branches on, beyond what showing them takes.
constexpr int STATUS_SIGNED_IN_IDLE = 11;  // the only status at which signing out acts
constexpr int STATUS_BUSY_FIRST = 12;      // 12 to 15: connecting or uploading; the skin turns
constexpr int STATUS_BUSY_LAST = 15;
constexpr int STATUS_SIGNED_IN = 19;       // the sign-in succeeded: what waited for it goes on

constexpr bool IsBusyStatus(int code) { return code >= STATUS_BUSY_FIRST && code <= STATUS_BUSY_LAST; }

enum class StatusAction {
    None,
    Ready,              // "Drag files here", second line cleared
    Working,            // "One moment, please", second line cleared
    Uploading,          // uploading text for the agent's current file
    SignedIn,           // replay what waited for the sign-in
    Busy,               // "One moment, please..." on the first line only
    CannotConnect,      // both lines say so, no message box
    Message,            // message box with the rule's text
    MessageThenSignIn,  // message box, then the Sign In dialog again
    UploadFailed,       // message box naming the agent's current file
};

struct StatusRule {
    StatusAction action;
    const wchar_t* text;  // message box text, or null
};

// Codes without a rule give {None, nullptr}.
StatusRule LookupStatus(int statusCode);

extern const wchar_t* const READY_TEXT;
extern const wchar_t* const WORKING_TEXT;
extern const wchar_t* const CONNECTING_TEXT;
// The caption of the program's own boxes, and the hand-over's two failures.
extern const wchar_t* const MESSAGE_CAPTION;
extern const wchar_t* const AGENT_STOPPED_TEXT;
extern const wchar_t* const STEP_FAILED_TEXT;

// The message box texts that carry a value.
std::wstring FormatConnectFailure(int failureCode);
std::wstring FormatUploadFailed(const wchar_t* fileName);
std::wstring FormatTooBig(const wchar_t* path);
// One box for the items of a batch that the agent did not take: the count, then the first
// REFUSED_NAMES_SHOWN names, one a line (a box of thousands of lines would not fit a screen).
constexpr std::size_t REFUSED_NAMES_SHOWN = 20;
std::wstring FormatRefused(const std::vector<std::wstring>& items);

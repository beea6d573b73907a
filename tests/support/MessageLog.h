// The messages the drop window (class "Sonavo") of this thread receives, written down as they
// come: "sent " or "posted " and what `describe` makes of each message (left out when empty).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/Owned.h"

class MessageLog {
public:
    using Describe = std::function<std::string(UINT message, WPARAM wParam, LPARAM lParam)>;
    using OnSent = std::function<void(const CWPSTRUCT& sent)>;

    // `onSent` sees every message sent to any window of this thread, before it is handled.
    explicit MessageLog(Describe describe, OnSent onSent = nullptr);
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // The entries so far, forgotten here.
    std::vector<std::string> Take();

    std::vector<std::string> entries;

private:
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Posted(int code, WPARAM wParam, LPARAM lParam);
    void Record(const char* how, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Describe describe_;
    OnSent onSent_;
    OwnedHook sent_, posted_;
};

// The agent's status code and the two notifications. The status is recorded when a
// notification is decided, so GetStatus already answers what the sinks are about to hear.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace standin {

class Notifier {
public:
    static void Attach(HWND control);
    static short Status();
    static void SetStatus(short status);

    // Any thread: fired later from the STA's message loop, after the current call returns.
    static void Post(DISPID eventId, short value);
    // STA only: fired before returning.
    static void FireNow(DISPID eventId, short value);
};

}  // namespace standin

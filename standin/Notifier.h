// The agent's status code and the two notifications. The status is recorded when a
// notification is decided, so GetStatus already answers what the sinks are about to hear.
// A notification of the upload queue carries its item: the client asks for the file's name
// when it hears the status, by which time the queue may be at another item.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <string>

namespace standin {

class Notifier {
public:
    static void Attach(HWND control);
    static short Status();
    static void SetStatus(short status);

    // Any thread: fired later from the STA's message loop, after the current call returns.
    static void Post(DISPID eventId, short value, const std::wstring& item = std::wstring());
    // Any thread: the upload queue has run empty; the STA hears it after what was posted before.
    static void PostQueueDrained();
    // STA only: fired before returning.
    static void FireNow(DISPID eventId, short value);
    // STA only, when the control window is woken: fires what was posted, in order.
    static void FirePosted();
    // STA only: the item of the posted notification being fired, if one is.
    static bool FiringItem(std::wstring* item);
};

}  // namespace standin

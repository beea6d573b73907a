// Every live request's connection point, so a notification reaches all clients of the
// process (one process serves the whole session). STA only.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace standin {

class ConnectionPoint;

class EventHub {
public:
    static void Add(ConnectionPoint* point);
    static void Remove(ConnectionPoint* point);

    static void Broadcast(DISPID eventId, short value);
    // argc VT_I4 arguments 1..argc in declared order, for clients' malformed-event tests.
    static void BroadcastRaw(DISPID eventId, UINT argc);

private:
    static void Send(DISPID eventId, DISPPARAMS& params);
};

}  // namespace standin

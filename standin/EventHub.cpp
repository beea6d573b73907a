#include "EventHub.h"

#include <algorithm>
#include <vector>

#include "ConnectionPoint.h"

namespace standin {

namespace {
std::vector<ConnectionPoint*>& Points() {
    static std::vector<ConnectionPoint*> points;
    return points;
}
}  // namespace

void EventHub::Add(ConnectionPoint* point) { Points().push_back(point); }

void EventHub::Remove(ConnectionPoint* point) {
    auto& points = Points();
    points.erase(std::remove(points.begin(), points.end(), point), points.end());
}

void EventHub::Broadcast(DISPID eventId, short value) {
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_I2;
    arg.iVal = value;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    Send(eventId, params);
}

void EventHub::BroadcastRaw(DISPID eventId, UINT argc) {
    argc = std::min(argc, 16u);
    std::vector<VARIANTARG> args(argc);
    for (UINT i = 0; i < argc; ++i) {
        VariantInit(&args[i]);
        args[i].vt = VT_I4;
        args[i].lVal = static_cast<LONG>(argc - i);  // rgvarg is reversed
    }
    DISPPARAMS params = {argc ? args.data() : nullptr, nullptr, argc, 0};
    Send(eventId, params);
}

void EventHub::Send(DISPID eventId, DISPPARAMS& params) {
    // Sinks run client code during the outgoing call, and incoming calls can be dispatched
    // meanwhile (an STA re-enters), so requests may be released or added: hold references
    // on a snapshot.
    std::vector<ConnectionPoint*> snapshot = Points();
    for (ConnectionPoint* point : snapshot) point->AddRef();
    for (ConnectionPoint* point : snapshot) point->Fire(eventId, params);
    for (ConnectionPoint* point : snapshot) point->Release();
}

}  // namespace standin

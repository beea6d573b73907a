// An incoming notification's id, argument count and argument type are the caller's to choose.
#include "FuzzSupport.h"
#include "agent/NotificationCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 11) return 0;
    const bool hasParameters = data[0] & 1;
    const long id = ReadInt32(data + 1);
    const unsigned count = static_cast<unsigned>(ReadInt32(data + 5));
    const unsigned short type = static_cast<unsigned short>(data[9] | data[10] << 8);
    const NotificationVerdict verdict = CheckNotification(hasParameters, id, count, type);
    // Only a well-formed notification ever reaches a handler.
    if (verdict == NotificationVerdict::Progress || verdict == NotificationVerdict::Status)
        FUZZ_CHECK(hasParameters && count == 1 && type == SHORT_VAR_TYPE);
    return 0;
}

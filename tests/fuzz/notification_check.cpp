// An incoming notification's id, argument count and argument type are the caller's to choose.
#include "FuzzSupport.h"
#include "agent/NotificationCheck.h"

namespace {

NotificationVerdict PlainReading(bool hasParameters, long id, unsigned count, unsigned short type) {
    if (!hasParameters) return NotificationVerdict::NoParameters;
    if (id != 1 && id != 2) return NotificationVerdict::UnknownMember;
    if (count != 1) return NotificationVerdict::BadCount;
    if (type != 2) return NotificationVerdict::BadType;  // VT_I2 only
    return id == 1 ? NotificationVerdict::Progress : NotificationVerdict::Status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 11) return 0;
    const bool hasParameters = data[0] & 1;
    const long id = ReadInt32(data + 1);
    const unsigned count = static_cast<unsigned>(ReadInt32(data + 5));
    const unsigned short type = static_cast<unsigned short>(data[9] | data[10] << 8);
    FUZZ_CHECK(CheckNotification(hasParameters, id, count, type) == PlainReading(hasParameters, id, count, type));
    return 0;
}

// The version text is the agent's answer: any bytes, any length, possibly none.
#include "FuzzSupport.h"
#include "agent/VersionGate.h"

namespace {

// Byte by byte, as unsigned values, over at most five bytes, stopping at the text's end.
bool PlainReading(const char* text) {
    if (!text || !*text) return false;
    const char* oldest = "1.6.0";
    for (int i = 0; i < 5; ++i) {
        const unsigned char want = static_cast<unsigned char>(oldest[i]);
        const unsigned char have = static_cast<unsigned char>(text[i]);
        if (have != want) return have > want;  // a shorter text meets its NUL first: older
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(!IsCompatibleVersion(nullptr));
    const std::unique_ptr<char[]> text = ExactCString(data, size);
    FUZZ_CHECK(IsCompatibleVersion(text.get()) == PlainReading(text.get()));
    return 0;
}

// The version text is the agent's answer: any text, any length, possibly none.
#include "FuzzSupport.h"
#include "agent/VersionGate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(!IsCompatibleVersion(nullptr));
    const std::unique_ptr<wchar_t[]> text = ExactWideString(data, size);
    const bool compatible = IsCompatibleVersion(text.get());
    if (!text[0]) FUZZ_CHECK(!compatible);  // no answer is never accepted
    return 0;
}

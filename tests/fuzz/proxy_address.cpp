// The proxy address is typed by the user or read back from the registry. Checked against a
// separate, deliberately plain reading of the rule.
#include "FuzzSupport.h"
#include "settings/ProxyAddress.h"
#include "tests/native/ProxyAddressReading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(!IsValidProxyAddress(nullptr));
    const std::unique_ptr<char[]> text = ExactCString(data, size);
    FUZZ_CHECK(IsValidProxyAddress(text.get()) == PlainProxyReading(text.get()));
    return 0;
}

// The proxy address is typed by the user or read back from the registry. Checked against a
// separate, deliberately plain reading of the rule; each byte is the character of its number.
#include <string>

#include "FuzzSupport.h"
#include "settings/ProxyAddress.h"
#include "tests/native/ProxyAddressReading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(!IsValidProxyAddress(nullptr));
    const std::unique_ptr<char[]> bytes = ExactCString(data, size);
    const std::string text = bytes.get();
    std::unique_ptr<wchar_t[]> typed(new wchar_t[text.size() + 1]);
    for (std::size_t i = 0; i <= text.size(); ++i) typed[i] = static_cast<unsigned char>(text.c_str()[i]);
    FUZZ_CHECK(IsValidProxyAddress(typed.get()) == PlainProxyReading(text));
    return 0;
}

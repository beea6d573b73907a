// The proxy address is typed by the user or read back from the registry. Checked against a
// separate, deliberately plain reading of the rule.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "settings/ProxyAddress.h"

namespace {

bool PlainReading(const std::string& text) {
    if (text.size() > 15) return false;
    std::vector<std::string> groups(1);
    for (char c : text) {
        if (c == '.')
            groups.emplace_back();
        else
            groups.back().push_back(c);
    }
    if (groups.size() != 4) return false;
    for (const std::string& group : groups) {
        if (group.empty()) return false;
        for (char c : group)
            if (c < '0' || c > '9') return false;
        if (std::stoll(group) > 255) return false;  // at most 12 digits here: fits
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(!IsValidProxyAddress(nullptr));
    const std::unique_ptr<char[]> text = ExactCString(data, size);
    FUZZ_CHECK(IsValidProxyAddress(text.get()) == PlainReading(text.get()));
    return 0;
}

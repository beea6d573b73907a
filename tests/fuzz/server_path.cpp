// A server's registration is any text someone wrote into the registry.
#include <string>

#include "FuzzSupport.h"
#include "agent/ServerPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::unique_ptr<wchar_t[]> line = ExactWideString(data, size);
    const std::wstring given = line.get(), path = ServerImagePath(given);
    // A piece of the line as it stands; unquoted, it never takes the blanks before it.
    FUZZ_CHECK(path.empty() || given.find(path) != std::wstring::npos);
    const std::size_t first = given.find_first_not_of(L" \t");
    if (first != std::wstring::npos && given[first] != L'"')
        FUZZ_CHECK(!path.empty() && path[0] == given[first]);
    return 0;
}

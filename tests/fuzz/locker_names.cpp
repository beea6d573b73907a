// A Locker name comes from a dropped path or URL, an account from a typed address, a song's
// first bytes from any web server.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "standin/LockerNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);  // exactly as long as the input
    standin::LooksLikeAudio(bytes.data(), bytes.size());

    const std::unique_ptr<wchar_t[]> text = ExactWideString(data, size);
    const std::wstring name = text.get();
    const std::wstring escaped = standin::EscapeReservedName(name);
    // At most one '#' more, and what came out is no device name any more.
    FUZZ_CHECK(escaped == name || (escaped.size() == name.size() + 1 && escaped.find(L'#') != std::wstring::npos));
    FUZZ_CHECK(standin::EscapeReservedName(escaped) == escaped);
    const std::wstring fitted = standin::FitName(name);
    FUZZ_CHECK(fitted.size() <= standin::LONGEST_LOCKER_NAME);
    FUZZ_CHECK(name.size() > standin::LONGEST_LOCKER_NAME || fitted == name);
    FUZZ_CHECK(standin::NumberedName(fitted, 1) == fitted);
    FUZZ_CHECK(standin::NumberedName(fitted, 7).find(L" (7)") != std::wstring::npos);
    return 0;
}

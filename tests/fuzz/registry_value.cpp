// Stored values can be rewritten by anyone with a registry editor: any type, any size. The
// first input byte picks what is decoded, the rest are the stored bytes (the end of the
// input is the end of the value, so a read past it is reported).
#include <string>

#include "FuzzSupport.h"
#include "agent/UpgradeReminder.h"
#include "settings/RegistryValue.h"

namespace {

// The bytes are UTF-16 units, little-endian; the limit counts characters.
void CheckText(const uint8_t* bytes, std::size_t size, std::size_t limit) {
    std::wstring out = L"unchanged";
    const bool taken = DecodeText(bytes, size, limit, out);
    if (size / 2 > limit) FUZZ_CHECK(!taken);
    if (!taken) {
        FUZZ_CHECK(out == L"unchanged");
        return;
    }
    FUZZ_CHECK(out.size() < limit && out.size() <= size / 2);
    FUZZ_CHECK(out.find(L'\0') == std::wstring::npos);
    // The text runs up to the first NUL unit, or to the end of unterminated bytes.
    const std::size_t end = 2 * out.size();
    FUZZ_CHECK(end + 1 >= size || (bytes[end] == 0 && bytes[end + 1] == 0));
    for (std::size_t i = 0; i < out.size(); ++i)
        FUZZ_CHECK(out[i] == static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
}

// Whether fewer than four bytes are taken at all is left open here; whatever is taken must
// be the bytes given, little-endian, and nothing else.
void CheckNumber(const uint8_t* bytes, std::size_t size) {
    int32_t out = 0x5A5A5A5A;
    const bool taken = DecodeNumber(bytes, size, out);
    if (size > NUMBER_LIMIT) FUZZ_CHECK(!taken);
    if (!taken) return;
    uint32_t expected = 0;
    for (std::size_t i = 0; i < size; ++i) expected |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    FUZZ_CHECK(static_cast<uint32_t>(out) == expected);
}

void CheckUseProxy(const uint8_t* bytes, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8));
    std::wstring lower = text;
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    const int expected = lower == L"true" || lower == L"yes" ? 1 : 0;
    FUZZ_CHECK(DecodeUseProxy(text) == expected);
}

// The remind time is a stored number too; one near either end of the 32-bit range must not
// wrap around.
void CheckReminder(const uint8_t* bytes, std::size_t size) {
    if (size < 8) return;
    const int32_t remindTime = ReadInt32(bytes), now = ReadInt32(bytes + 4);
    const bool expected = static_cast<long long>(remindTime) + 7LL * 24 * 60 * 60 < static_cast<long long>(now);
    FUZZ_CHECK(IsReminderDue(remindTime, now) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        std::wstring out;
        int32_t number = 0;
        DecodeText(nullptr, 0, NAME_LIMIT, out);
        FUZZ_CHECK(out.empty());
        DecodeNumber(nullptr, 0, number);
        return 0;
    }
    const uint8_t choice = data[0];
    const uint8_t* bytes = data + 1;
    const std::size_t length = size - 1;
    switch (choice % 8) {
        case 0: CheckText(bytes, length, NAME_LIMIT); break;
        case 1: CheckText(bytes, length, PROXY_LIMIT); break;
        case 2: CheckText(bytes, length, choice / 8); break;  // any small limit, zero included
        case 3:
        case 4: CheckNumber(bytes, length); break;
        case 5: CheckUseProxy(bytes, length); break;
        case 6: CheckReminder(bytes, length); break;
        default:
            CheckText(bytes, length, NAME_LIMIT);
            CheckNumber(bytes, length);
            CheckUseProxy(bytes, length);
            break;
    }
    return 0;
}

#include "LockerNames.h"

#include <cstring>

namespace standin {

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameIgnoringCase(const std::wstring& a, const wchar_t* b) {
    if (a.size() != std::wcslen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != b[i]) return false;
    return true;
}

bool IsDeviceName(const std::wstring& base) {
    for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
        if (SameIgnoringCase(base, device)) return true;
    // com0-com9 and lpt0-lpt9, also with the superscript digits Windows counts among them.
    if (base.size() == 4 && (SameIgnoringCase(base.substr(0, 3), L"com") || SameIgnoringCase(base.substr(0, 3), L"lpt"))) {
        const wchar_t digit = base[3];
        return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

size_t ExtensionStart(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos || dot == 0 ? name.size() : dot;
}

bool StartsWith(const unsigned char* data, size_t size, const char* signature, size_t offset = 0) {
    const size_t length = std::strlen(signature);
    return size >= offset + length && std::memcmp(data + offset, signature, length) == 0;
}

}  // namespace

std::wstring EscapeReservedName(const std::wstring& name) {
    // Win32 also drops trailing spaces before it compares ("con .mp3" is CON too).
    size_t end = name.find(L'.');
    if (end == std::wstring::npos) end = name.size();
    size_t base = end;
    while (base > 0 && name[base - 1] == L' ') --base;
    if (!IsDeviceName(name.substr(0, base))) return name;
    return name.substr(0, base) + L"#" + name.substr(base);
}

std::wstring FitName(const std::wstring& name) {
    if (name.size() <= LONGEST_LOCKER_NAME) return name;
    const size_t dot = ExtensionStart(name);
    const std::wstring extension = name.size() - dot < 16 ? name.substr(dot) : std::wstring();
    return name.substr(0, LONGEST_LOCKER_NAME - extension.size()) + extension;
}

std::wstring NumberedName(const std::wstring& name, unsigned copy) {
    if (copy <= 1) return name;
    const size_t dot = ExtensionStart(name);
    return name.substr(0, dot) + L" (" + std::to_wstring(copy) + L")" + name.substr(dot);
}

bool LooksLikeAudio(const unsigned char* data, size_t size) {
    if (!data) return false;
    if (StartsWith(data, size, "ID3")) return true;
    // An MPEG audio frame: eleven set sync bits (an AAC stream's ADTS header starts alike).
    if (size >= 2 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0) return true;
    if (StartsWith(data, size, "OggS") || StartsWith(data, size, "fLaC")) return true;
    if (StartsWith(data, size, "RIFF") && StartsWith(data, size, "WAVE", 8)) return true;
    static const unsigned char ASF[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    if (size >= sizeof(ASF) && std::memcmp(data, ASF, sizeof(ASF)) == 0) return true;
    return StartsWith(data, size, "ftyp", 4);
}

}  // namespace standin

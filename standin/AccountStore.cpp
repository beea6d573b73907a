#include "AccountStore.h"

#include <wincrypt.h>
#include <cwchar>
#include <vector>

#include "StandinIds.h"
#include "win/RegKey.h"

namespace standin {

namespace {

class CryptProvider {
public:
    CryptProvider() {
        if (!CryptAcquireContextW(&prov_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) prov_ = 0;
    }
    ~CryptProvider() {
        if (prov_) CryptReleaseContext(prov_, 0);
    }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV get() const { return prov_; }

private:
    HCRYPTPROV prov_ = 0;
};

std::string ToHex(const BYTE* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return hex;
}

// Hex texts are ASCII.
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], size, nullptr, nullptr);
    return out;
}

bool IsAlnum(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'); }

// Letters of any script may stand in the local part; spaces, controls and the ASCII signs
// outside "._%+-" may not ('#' never does: it escapes a device name in a folder's name).
bool IsLocalCharacter(wchar_t c) {
    if (c < 0x80) return IsAlnum(c) || (c != 0 && std::wcschr(L"._%+-", c) != nullptr);
    if (c < 0xA0) return false;
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE1, &c, 1, &type) && !(type & (C1_SPACE | C1_CNTRL | C1_BLANK));
}

bool IsLocalPart(const std::wstring& s) {
    if (s.empty() || s.size() > 64 || s.front() == L'.' || s.back() == L'.') return false;
    if (s.find(L"..") != std::wstring::npos) return false;
    for (wchar_t c : s)
        if (!IsLocalCharacter(c)) return false;
    return true;
}

bool IsAsciiLetters(const std::wstring& s) {
    for (wchar_t c : s)
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))) return false;
    return true;
}

// An ASCII domain: an internationalised one arrives here in its "xn--" form.
bool IsDomain(const std::wstring& s) {
    size_t start = 0, labels = 0;
    std::wstring last;
    while (start <= s.size()) {
        size_t dot = s.find(L'.', start);
        if (dot == std::wstring::npos) dot = s.size();
        std::wstring label = s.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == L'-' || label.back() == L'-') return false;
        for (wchar_t c : label)
            if (!IsAlnum(c) && c != L'-') return false;
        ++labels;
        last = label;
        start = dot + 1;
    }
    if (labels < 2) return false;
    return last.compare(0, 4, L"xn--") == 0 || (last.size() >= 2 && IsAsciiLetters(last));
}

// One spelling of the same text: composed characters, then lower case in every script.
std::wstring Folded(const std::wstring& text) {
    std::wstring composed(text.size() * 3 + 8, L'\0');
    int length = NormalizeString(NormalizationC, text.c_str(), static_cast<int>(text.size()), &composed[0],
                                 static_cast<int>(composed.size()));
    if (length <= 0) return std::wstring();
    composed.resize(length);
    std::wstring lower(composed.size() * 2 + 8, L'\0');
    length = LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, composed.c_str(), static_cast<int>(composed.size()),
                          &lower[0], static_cast<int>(lower.size()));
    if (length <= 0) return std::wstring();
    lower.resize(length);
    return lower;
}

std::wstring AsciiDomain(const std::wstring& domain) {
    wchar_t ascii[256];
    // IsDomain checks the letters, digits and hyphens afterwards (Wine refuses any name that
    // is not ASCII with IDN_USE_STD3_ASCII_RULES).
    const int length = IdnToAscii(0, domain.c_str(), static_cast<int>(domain.size()), ascii, ARRAYSIZE(ascii));
    if (length <= 0) return std::wstring();
    std::wstring out(ascii, length);
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

}  // namespace

std::wstring AccountStore::Normalize(const std::wstring& address) {
    if (address.empty() || address.size() > 254) return std::wstring();
    const size_t at = address.find(L'@');
    if (at == std::wstring::npos || address.find(L'@', at + 1) != std::wstring::npos) return std::wstring();
    const std::wstring local = Folded(address.substr(0, at));
    const std::wstring domain = at + 1 < address.size() ? AsciiDomain(address.substr(at + 1)) : std::wstring();
    if (!IsLocalPart(local) || !IsDomain(domain)) return std::wstring();
    return local + L"@" + domain;
}

AccountStore::Outcome AccountStore::Verify(const std::wstring& account, const std::wstring& password) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, std::wstring(AGENT_KEY_W) + L"\\Accounts\\" + account);
    if (!key.Valid()) return Outcome::Failed;
    std::wstring salt, stored;
    std::string computed;
    if (key.ReadString(L"Salt", &salt) && key.ReadString(L"PasswordHash", &stored)) {
        if (!Hash(Utf8(salt), password, &computed)) return Outcome::Failed;
        return Wide(computed) == stored ? Outcome::Matched : Outcome::WrongPassword;
    }
    CryptProvider provider;
    BYTE random[16];
    if (!provider.get() || !CryptGenRandom(provider.get(), sizeof(random), random)) return Outcome::Failed;
    const std::string newSalt = ToHex(random, sizeof(random));
    if (!Hash(newSalt, password, &computed)) return Outcome::Failed;
    if (key.SetString(L"Salt", Wide(newSalt)) != ERROR_SUCCESS ||
        key.SetString(L"PasswordHash", Wide(computed)) != ERROR_SUCCESS)
        return Outcome::Failed;
    return Outcome::Created;
}

bool AccountStore::Hash(const std::string& saltHex, const std::wstring& password, std::string* hashHex) {
    CryptProvider provider;
    if (!provider.get()) return false;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, &hash)) return false;
    const std::string utf8 = Utf8(password);
    BYTE digest[32];
    DWORD digestSize = sizeof(digest);
    bool ok = CryptHashData(hash, reinterpret_cast<const BYTE*>(saltHex.data()), static_cast<DWORD>(saltHex.size()), 0) &&
              CryptHashData(hash, reinterpret_cast<const BYTE*>(utf8.data()), static_cast<DWORD>(utf8.size()), 0) &&
              CryptGetHashParam(hash, HP_HASHVAL, digest, &digestSize, 0);
    CryptDestroyHash(hash);
    if (!ok) return false;
    *hashHex = ToHex(digest, digestSize);
    return true;
}

}  // namespace standin

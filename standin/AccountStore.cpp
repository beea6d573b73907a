#include "AccountStore.h"

#include <wincrypt.h>
#include <vector>

#include "RegKey.h"
#include "StandinIds.h"

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

// Account names and hex texts are ASCII.
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], size, nullptr, nullptr);
    return out;
}

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsLocalPart(const std::string& s) {
    if (s.empty() || s.size() > 64 || s.front() == '.' || s.back() == '.') return false;
    if (s.find("..") != std::string::npos) return false;
    for (char c : s)
        if (!IsAlnum(c) && c != '.' && c != '_' && c != '%' && c != '+' && c != '-') return false;
    return true;
}

bool IsDomain(const std::string& s) {
    size_t start = 0, labels = 0;
    std::string last;
    while (start <= s.size()) {
        size_t dot = s.find('.', start);
        if (dot == std::string::npos) dot = s.size();
        std::string label = s.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (char c : label)
            if (!IsAlnum(c) && c != '-') return false;
        ++labels;
        last = label;
        start = dot + 1;
    }
    if (labels < 2 || last.size() < 2) return false;
    for (char c : last)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

}  // namespace

std::string AccountStore::Normalize(const std::wstring& address) {
    if (address.empty() || address.size() > 254) return std::string();
    std::string text;
    for (wchar_t c : address) {
        if (c <= L' ' || c > L'~') return std::string();
        text += static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
    }
    const size_t at = text.find('@');
    if (at == std::string::npos || text.find('@', at + 1) != std::string::npos) return std::string();
    if (!IsLocalPart(text.substr(0, at)) || !IsDomain(text.substr(at + 1))) return std::string();
    return text;
}

AccountStore::Outcome AccountStore::Verify(const std::string& account, const std::wstring& password) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, std::wstring(AGENT_KEY_W) + L"\\Accounts\\" + Wide(account));
    if (!key.valid()) return Outcome::Failed;
    std::wstring salt, stored;
    std::string computed;
    if (key.readString(L"Salt", &salt) && key.readString(L"PasswordHash", &stored)) {
        if (!Hash(Utf8(salt), password, &computed)) return Outcome::Failed;
        return Wide(computed) == stored ? Outcome::Matched : Outcome::WrongPassword;
    }
    CryptProvider provider;
    BYTE random[16];
    if (!provider.get() || !CryptGenRandom(provider.get(), sizeof(random), random)) return Outcome::Failed;
    const std::string newSalt = ToHex(random, sizeof(random));
    if (!Hash(newSalt, password, &computed)) return Outcome::Failed;
    if (key.setString(L"Salt", Wide(newSalt)) != ERROR_SUCCESS ||
        key.setString(L"PasswordHash", Wide(computed)) != ERROR_SUCCESS)
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

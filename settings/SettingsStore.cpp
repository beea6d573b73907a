#include "settings/SettingsStore.h"

#include <cstring>
#include <vector>

#include "settings/RegistryValue.h"
#include "win/ComText.h"
#include "win/RegKey.h"

namespace {

const wchar_t VENDOR_KEY[] = L"Software\\Sonavo Inc.";
const wchar_t PRODUCT_KEY[] = L"Software\\Sonavo Inc.\\Parcelo";
const wchar_t LOCKER_NOTICE[] = L"Local Locker Notice";
const wchar_t PROXY_KEY[] = L"Software\\Sonavo Inc.\\Parcelo\\Proxy";
const wchar_t POSITION_KEY[] = L"Software\\Sonavo Inc.\\Parcelo\\Position";
const wchar_t USER_KEY[] = L"Software\\Sonavo Inc.\\Parcelo\\User";

// One of the program's keys, read as the program has always read its values: within limits,
// of any type.
class RegistryKey {
public:
    bool OpenExisting(const wchar_t* path, REGSAM access = KEY_READ) {
        key_ = RegKey::Open(HKEY_CURRENT_USER, path, access);
        return key_.Valid();
    }
    bool OpenForWriting(const wchar_t* path) {
        key_ = RegKey::Create(HKEY_CURRENT_USER, path, KEY_WRITE);
        return key_.Valid();
    }
    HKEY Get() const { return key_.Get(); }

    // A text: characters, its NUL included, up to `limit`. Text-typed values come from the
    // wide function as UTF-16; any other type is read as its bytes were always read, as
    // code-page text, within `limit` bytes.
    bool ReadText(const wchar_t* name, std::size_t limit, std::wstring& out) const {
        Stored value;
        if (!Read(name, limit * sizeof(wchar_t), value)) return false;
        if (IsTextType(value.type)) return DecodeText(value.bytes.data(), value.bytes.size(), limit, out);
        std::string narrow;
        if (!DecodeCodePageText(value.bytes.data(), value.bytes.size(), limit, narrow)) return false;
        out = NarrowToWide(narrow.c_str());
        return true;
    }
    // Four bytes of any type; of a text-typed value, the four bytes its code-page form has.
    bool ReadNumber(const wchar_t* name, int32_t& out) const {
        Stored value;
        if (!Read(name, NUMBER_LIMIT * sizeof(wchar_t), value)) return false;
        const std::vector<unsigned char> bytes = IsTextType(value.type) ? CodePageBytes(value.bytes) : value.bytes;
        return DecodeNumber(bytes.data(), bytes.size(), out);
    }
    void WriteText(const wchar_t* name, const std::wstring& text) { key_.SetString(name, text); }
    void WriteNumber(const wchar_t* name, int32_t value) { key_.SetDword(name, static_cast<DWORD>(value)); }

private:
    struct Stored {
        DWORD type = REG_NONE;
        std::vector<unsigned char> bytes;
    };
    static bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
    // What the code-page function gives of a text-typed value.
    static std::vector<unsigned char> CodePageBytes(const std::vector<unsigned char>& utf16) {
        const int units = static_cast<int>(utf16.size() / sizeof(wchar_t));
        if (units == 0) return {};
        std::wstring text(static_cast<size_t>(units), L'\0');
        std::memcpy(&text[0], utf16.data(), static_cast<size_t>(units) * sizeof(wchar_t));
        const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
        std::vector<unsigned char> bytes(static_cast<size_t>(needed > 0 ? needed : 0));
        if (needed > 0)
            WideCharToMultiByte(CP_ACP, 0, text.data(), units, reinterpret_cast<char*>(bytes.data()), needed, nullptr,
                                nullptr);
        return bytes;
    }
    bool Read(const wchar_t* name, std::size_t limit, Stored& value) const {
        value.bytes.assign(limit, 0);
        DWORD size = static_cast<DWORD>(limit);
        if (RegQueryValueExW(key_.Get(), name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
            return false;
        value.bytes.resize(size);
        return true;
    }

    RegKey key_;
};

}  // namespace

void ReadStoredSettings(UserSettings& settings, StoredPlace& place) {
    {
        RegistryKey proxy;
        if (proxy.OpenExisting(PROXY_KEY)) {
            std::wstring text;
            if (proxy.ReadText(L"UseProxy", PROXY_LIMIT, text)) settings.useProxy = DecodeUseProxy(text);
            proxy.ReadText(L"ProxyIP", PROXY_LIMIT, settings.proxyIP);
        }
    }
    {
        RegistryKey position;
        place.keyPresent = position.OpenExisting(POSITION_KEY);
        if (place.keyPresent) {
            place.hasX = position.ReadNumber(L"X", place.x);
            place.hasY = position.ReadNumber(L"Y", place.y);
            position.ReadNumber(L"Remind Time", settings.remindTime);
        }
    }
    RegistryKey user;
    if (!user.OpenExisting(USER_KEY)) return;
    user.ReadText(L"User name", NAME_LIMIT, settings.userName);
    user.ReadText(L"Password", NAME_LIMIT, settings.password);
    if (!user.ReadNumber(L"Auto Login", settings.autoLogin)) settings.autoLogin = 0;
}

void WriteStoredSettings(const UserSettings& settings, const RECT& windowRect, bool visible) {
    RegistryKey proxy;
    if (proxy.OpenForWriting(PROXY_KEY)) {
        proxy.WriteText(L"UseProxy", settings.useProxy != 0 ? L"True" : L"False");
        proxy.WriteText(L"ProxyIP", settings.proxyIP);
    }
    RegistryKey position;
    if (position.OpenForWriting(POSITION_KEY)) {
        position.WriteText(L"Visible", visible ? L"False" : L"True");  // stored inverted; nothing reads it back
        position.WriteNumber(L"X", windowRect.left);
        position.WriteNumber(L"Y", windowRect.top);
        position.WriteNumber(L"Remind Time", settings.remindTime);
    }
    RegistryKey user;
    if (user.OpenForWriting(USER_KEY)) {
        user.WriteText(L"User name", settings.userName);
        user.WriteText(L"Password", settings.password);
        user.WriteNumber(L"Auto Login", settings.autoLogin);
    }
}

void DeleteStoredSettings() {
    RegistryKey vendor;
    if (!vendor.OpenExisting(VENDOR_KEY, KEY_READ | KEY_WRITE | DELETE)) return;
    // The product key has subkeys, which a plain key deletion refuses to remove.
    RegDeleteTreeW(vendor.Get(), L"Parcelo");
}

bool LockerNoticeShown() {
    RegistryKey product;
    int32_t shown = 0;
    return product.OpenExisting(PRODUCT_KEY) && product.ReadNumber(LOCKER_NOTICE, shown) && shown == 1;
}

void RememberLockerNotice() {
    RegistryKey product;
    if (product.OpenForWriting(PRODUCT_KEY)) product.WriteNumber(LOCKER_NOTICE, 1);
}

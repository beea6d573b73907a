// Keeping the settings in the per-user registry: read once at start, written once at exit.
#include <climits>
#include <cstdint>
#include <vector>

#include "agent/AgentClient.h"
#include "settings/RegistryValue.h"
#include "ui/DropLayout.h"
#include "ui/MainWindow.h"

namespace {

const char VENDOR_KEY[] = "Software\\Sonavo Inc.";
const char PROXY_KEY[] = "Software\\Sonavo Inc.\\Parcelo\\Proxy";
const char POSITION_KEY[] = "Software\\Sonavo Inc.\\Parcelo\\Position";
const char USER_KEY[] = "Software\\Sonavo Inc.\\Parcelo\\User";

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    bool OpenExisting(const char* path, REGSAM access = KEY_READ) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key_) == ERROR_SUCCESS;
    }
    bool OpenForWriting(const char* path) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key_,
                               nullptr) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

    // The raw bytes, when the value exists and fits `limit`.
    bool Read(const char* name, std::size_t limit, std::vector<unsigned char>& bytes) const {
        bytes.assign(limit, 0);
        DWORD size = static_cast<DWORD>(limit);
        if (RegQueryValueExA(key_, name, nullptr, nullptr, bytes.data(), &size) != ERROR_SUCCESS) return false;
        bytes.resize(size);
        return true;
    }
    bool ReadText(const char* name, std::size_t limit, std::string& out) const {
        std::vector<unsigned char> bytes;
        return Read(name, limit, bytes) && DecodeText(bytes.data(), bytes.size(), limit, out);
    }
    bool ReadNumber(const char* name, int32_t& out) const {
        std::vector<unsigned char> bytes;
        return Read(name, NUMBER_LIMIT, bytes) && DecodeNumber(bytes.data(), bytes.size(), out);
    }
    void WriteText(const char* name, const std::string& text) const {
        RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    void WriteNumber(const char* name, int32_t value) const {
        const DWORD raw = static_cast<DWORD>(value);
        RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&raw), sizeof raw);
    }

private:
    HKEY key_ = nullptr;
};

// Whether a window of this size with its top left corner at (x, y) would show on some
// monitor. Computed in 64 bits: a stored corner near the end of the range must not wrap
// round to a place on the screen.
bool ShowsOnAMonitor(HWND window, int32_t x, int32_t y) {
    RECT now = {0, 0, 0, 0};
    GetWindowRect(window, &now);
    const int64_t right = static_cast<int64_t>(x) + (now.right - now.left);
    const int64_t bottom = static_cast<int64_t>(y) + (now.bottom - now.top);
    if (right > LONG_MAX || bottom > LONG_MAX) return false;
    const RECT placed = {x, y, static_cast<LONG>(right), static_cast<LONG>(bottom)};
    return MonitorFromRect(&placed, MONITOR_DEFAULTTONULL) != nullptr;
}

// A place stored at a lower scale holds the corner of a smaller window: the growth must not
// carry the window off the work area of its monitor (the coordinates that were read, only).
void KeepGrowthOnMonitor(HWND window, bool movesX, bool movesY, int32_t& x, int32_t& y) {
    RECT now = {0, 0, 0, 0};
    GetWindowRect(window, &now);
    const int width = now.right - now.left, height = now.bottom - now.top;
    const RECT placed = {x, y, static_cast<LONG>(static_cast<int64_t>(x) + width),
                         static_cast<LONG>(static_cast<int64_t>(y) + height)};
    MONITORINFO monitor;
    ZeroMemory(&monitor, sizeof monitor);
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&placed, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    if (movesX) x = KeepGrowthInside(x, width, SKIN_SIZE.width, monitor.rcWork.right);
    if (movesY) y = KeepGrowthInside(y, height, SKIN_SIZE.height, monitor.rcWork.bottom);
}

}  // namespace

void MainWindow::LoadSettings() {
    settingsRead = true;
    const int32_t defaultX = GetSystemMetrics(SM_CXFULLSCREEN) - ScaleToDpi(DEFAULT_PLACE_INSET.width, dpi);
    const int32_t defaultY = GetSystemMetrics(SM_CYFULLSCREEN) - ScaleToDpi(DEFAULT_PLACE_INSET.height, dpi);
    int32_t x = defaultX, y = defaultY;
    {
        RegistryKey proxy;
        if (proxy.OpenExisting(PROXY_KEY)) {
            std::string text;
            if (proxy.ReadText("UseProxy", PROXY_LIMIT, text)) settings.useProxy = DecodeUseProxy(text);
            proxy.ReadText("ProxyIP", PROXY_LIMIT, settings.proxyIP);
        }
    }
    {
        RegistryKey position;
        if (position.OpenExisting(POSITION_KEY)) {
            bool readX = position.ReadNumber("X", x);
            bool readY = position.ReadNumber("Y", y);
            position.ReadNumber("Remind Time", settings.remindTime);
            // A place on a monitor that is no longer there (or a corrupt one) would leave the
            // window where nobody can see it or drop onto it, and it would be saved there again.
            if (!ShowsOnAMonitor(windowHandle, x, y)) {
                x = defaultX;
                y = defaultY;
                readX = readY = false;
            }
            KeepGrowthOnMonitor(windowHandle, readX, readY, x, y);
            SetWindowPos(windowHandle, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
        }
    }
    {
        RegistryKey user;
        if (!user.OpenExisting(USER_KEY)) return;
        user.ReadText("User name", NAME_LIMIT, settings.userName);
        user.ReadText("Password", NAME_LIMIT, settings.password);
        if (!user.ReadNumber("Auto Login", settings.autoLogin)) settings.autoLogin = 0;
    }
    if (settings.userName.empty() || settings.autoLogin != 1) return;
    receiver.RequestSignIn(settings.userName, settings.password, 1, false);
}

void MainWindow::SaveSettings() {
    // Nothing read yet (a window whose creation failed): empty values would replace the stored ones.
    if (!settingsRead) return;
    RegistryKey proxy;
    if (proxy.OpenForWriting(PROXY_KEY)) {
        proxy.WriteText("UseProxy", settings.useProxy != 0 ? "True" : "False");
        proxy.WriteText("ProxyIP", settings.proxyIP);
    }
    RegistryKey position;
    if (position.OpenForWriting(POSITION_KEY)) {
        const bool visible = visibleAtClose >= 0 ? visibleAtClose == 1 : IsWindowVisible(windowHandle) != FALSE;
        position.WriteText("Visible", visible ? "False" : "True");  // stored inverted; nothing reads it back
        RECT rect = {0, 0, 0, 0};
        GetWindowRect(windowHandle, &rect);
        position.WriteNumber("X", rect.left);
        position.WriteNumber("Y", rect.top);
        position.WriteNumber("Remind Time", settings.remindTime);
    }
    RegistryKey user;
    if (user.OpenForWriting(USER_KEY)) {
        user.WriteText("User name", settings.userName);
        user.WriteText("Password", settings.password);
        user.WriteNumber("Auto Login", settings.autoLogin);
    }
}

void MainWindow::ClearSettings() {
    RegistryKey vendor;
    if (!vendor.OpenExisting(VENDOR_KEY, KEY_READ | KEY_WRITE | DELETE)) return;
    // The product key has subkeys, which a plain key deletion refuses to remove.
    RegDeleteTreeA(vendor.Get(), "Parcelo");
}

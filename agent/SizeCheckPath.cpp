#include "agent/SizeCheckPath.h"

#include <cstddef>

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool IsDigitOneToNine(char16_t c) {
    return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

// What Windows compares with its device names: the part before the first dot or colon,
// without the spaces after it, in any case.
bool IsDeviceName(const std::u16string& component) {
    std::u16string base;
    for (char16_t c : component) {
        if (c == u'.' || c == u':') break;
        base.push_back(Upper(c));
    }
    while (!base.empty() && base.back() == u' ') base.pop_back();
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL" || base == u"CONIN$" ||
        base == u"CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0) &&
           IsDigitOneToNine(base[3]);
}

bool NamesADevice(const std::u16string& path) {
    std::u16string component;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            component.push_back(path[i]);
            continue;
        }
        if (IsDeviceName(component)) return true;
        component.clear();
    }
    return false;
}

bool IsDrivePath(const std::u16string& path) {
    return path.size() >= 3 && ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
           path[1] == u':' && IsSeparator(path[2]);
}

bool EqualsIgnoringCase(const std::u16string& text, const char16_t* word) {
    std::size_t i = 0;
    for (; word[i]; ++i)
        if (i >= text.size() || Upper(text[i]) != Upper(word[i])) return false;
    return i == text.size();
}

// "\\server\share\..." with a real server name: not "\\.\" or "\\?\", which reach devices,
// and not the share of pipes or mailslots, which Windows opens on any server as such.
bool IsSharePath(const std::u16string& path) {
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    std::size_t at = 2;
    auto component = [&]() {
        const std::size_t start = at;
        while (at < path.size() && !IsSeparator(path[at])) ++at;
        return path.substr(start, at - start);
    };
    const std::u16string server = component();
    if (server.empty() || server == u"." || server == u"?" || at == path.size()) return false;
    ++at;
    const std::u16string share = component();
    // Compared as Windows compares a name: without the dots and spaces it drops at the end.
    std::u16string name = share;
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
    if (EqualsIgnoringCase(name, u"pipe") || EqualsIgnoringCase(name, u"mailslot")) return false;
    return !share.empty() && at < path.size() && at + 1 < path.size();
}

}  // namespace

bool MayOpenForSizeCheck(const std::u16string& path, bool fromFileList) {
    if (NamesADevice(path)) return false;
    return IsDrivePath(path) || (fromFileList && IsSharePath(path));
}

std::u16string SizeCheckVolume(const std::u16string& path) {
    if (IsDrivePath(path)) return {Upper(path[0]), u':'};
    if (!IsSharePath(path)) return {};
    std::u16string volume = u"\\\\";
    for (std::size_t at = 2; at < path.size() && !IsSeparator(path[at]); ++at) volume.push_back(Upper(path[at]));
    return volume;
}

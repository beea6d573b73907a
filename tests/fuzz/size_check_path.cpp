// A dropped item is any text its sender chose. Whatever the size check agrees to open must
// be, by a separate plain reading, a local drive path or a dragged share, and name no device;
// and it belongs to a volume.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "agent/SizeCheckPath.h"

namespace {

std::vector<std::u16string> Components(const std::u16string& path) {
    std::vector<std::u16string> parts(1);
    for (char16_t c : path) {
        if (c == u'\\' || c == u'/') parts.emplace_back();
        else parts.back().push_back(c);
    }
    return parts;
}

bool PlainDevice(const std::u16string& component) {
    std::string base;
    for (char16_t c : component) {
        if (c == u'.' || c == u':') break;
        base.push_back(c >= u'a' && c <= u'z' ? static_cast<char>(c - 32) : c < 128 ? static_cast<char>(c) : '#');
    }
    base.erase(base.find_last_not_of(' ') + 1);
    for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == name) return true;
    for (const char* prefix : {"COM", "LPT"})
        for (char16_t digit : {u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u'\u00b9', u'\u00b2', u'\u00b3'})
            if (component.size() >= 4 && base.size() == 4 && base.compare(0, 3, prefix) == 0 && component[3] == digit)
                return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool fromList = data[0] & 1;
    std::u16string path;
    for (std::size_t i = 1; i + 1 < size; i += 2) path.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const bool opens = MayOpenForSizeCheck(path, fromList);
    if (!opens) return 0;
    const std::vector<std::u16string> parts = Components(path);
    for (const std::u16string& part : parts) FUZZ_CHECK(!PlainDevice(part));
    const bool drive = parts[0].size() == 2 && parts[0][1] == u':' && parts.size() > 1 &&
                       ((parts[0][0] | 32) >= u'a' && (parts[0][0] | 32) <= u'z');
    const bool share = parts.size() > 4 && parts[0].empty() && parts[1].empty() && !parts[2].empty() &&
                       parts[2] != u"." && parts[2] != u"?" && !parts[3].empty();
    FUZZ_CHECK(drive || (fromList && share));
    FUZZ_CHECK(!SizeCheckVolume(path).empty());  // every file it opens has a volume to be given up with
    if (!drive) {  // never the pipes or mailslots of a server, however written
        std::string name;
        for (char16_t c : parts[3]) name.push_back(c >= u'A' && c <= u'Z' ? static_cast<char>(c + 32) : c < 128 ? static_cast<char>(c) : '#');
        name.erase(name.find_last_not_of(". ") + 1);
        FUZZ_CHECK(name != "pipe" && name != "mailslot");
    }
    return 0;
}

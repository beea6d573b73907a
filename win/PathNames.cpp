#include "win/PathNames.h"

#include <vector>

namespace {

// Long enough for any path Windows can start a program from.
constexpr DWORD IMAGE_PATH_CHARS = 32768;

}  // namespace

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring OwnImagePath() {
    std::vector<wchar_t> image(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, image.data(), static_cast<DWORD>(image.size()));
        if (length == 0) return std::wstring();
        if (length < image.size()) return std::wstring(image.data(), length);
        if (image.size() >= IMAGE_PATH_CHARS) return std::wstring();
        image.resize(image.size() * 2);
    }
}

std::wstring ProcessImagePath(HANDLE process) {
    std::vector<wchar_t> image(IMAGE_PATH_CHARS);
    DWORD size = IMAGE_PATH_CHARS;
    return QueryFullProcessImageNameW(process, 0, image.data(), &size) ? std::wstring(image.data(), size)
                                                                        : std::wstring();
}

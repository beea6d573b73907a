#include "installer/plugin/ErrorText.h"

namespace setup {

std::wstring ErrorText(DWORD error) {
    std::wstring text = L"error " + std::to_wstring(error);
    wchar_t* system = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    if (length > 0 && system) {
        std::wstring words(system, length);
        while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' '))
            words.pop_back();
        if (!words.empty()) text += L": " + words;
    }
    if (system) LocalFree(system);
    return text;
}

}  // namespace setup

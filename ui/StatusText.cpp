#include "ui/StatusText.h"


namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring UploadingText(const wchar_t* fileName) {
    const std::wstring name = fileName ? fileName : L"";
    // Walk back over the last characters; a pair is taken whole or not at all.
    std::size_t start = name.size();
    for (std::size_t taken = 0; start > 0 && taken < UPLOADING_TAIL; ++taken)
        start -= start >= 2 && IsLowSurrogate(name[start - 1]) && IsHighSurrogate(name[start - 2]) ? 2 : 1;
    if (start == 0) return L"Uploading " + name;
    return L"Uploading ..." + name.substr(start);
}

std::wstring ProgressText(int percent, const int* filesToGo) {
    std::wstring text = std::to_wstring(percent) + L"% done";
    if (filesToGo) text += L" (" + std::to_wstring(*filesToGo) + L" to go)";
    return text;
}

std::wstring DrawnText(const std::wstring& line) {
    std::wstring shown;
    for (std::size_t i = 0; i < line.size() && line[i] != L'\r' && line[i] != L'\n'; ++i) {
        // A lone last ampersand has nothing to underline and is drawn as it is.
        if (line[i] == L'&' && i + 1 < line.size() && line[i + 1] != L'\r' && line[i + 1] != L'\n') ++i;
        shown += line[i];
    }
    return shown;
}

#include "agent/ServerPath.h"

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

std::wstring ServerImagePath(const std::wstring& commandLine) {
    std::size_t start = 0;
    while (start < commandLine.size() && (commandLine[start] == L' ' || commandLine[start] == L'\t')) ++start;
    if (start == commandLine.size()) return std::wstring();
    if (commandLine[start] == L'"') {
        const std::size_t end = commandLine.find(L'"', start + 1);
        return commandLine.substr(start + 1, end == std::wstring::npos ? std::wstring::npos : end - start - 1);
    }
    for (std::size_t at = start; at + 4 <= commandLine.size(); ++at) {
        if (commandLine[at] != L'.' || Lower(commandLine[at + 1]) != L'e' || Lower(commandLine[at + 2]) != L'x' ||
            Lower(commandLine[at + 3]) != L'e')
            continue;
        if (at + 4 == commandLine.size() || commandLine[at + 4] == L' ' || commandLine[at + 4] == L'\t')
            return commandLine.substr(start, at + 4 - start);
    }
    std::size_t end = start;
    while (end < commandLine.size() && commandLine[end] != L' ' && commandLine[end] != L'\t') ++end;
    return commandLine.substr(start, end - start);
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const wchar_t x = a[i] == L'/' ? L'\\' : a[i];
        const wchar_t y = b[i] == L'/' ? L'\\' : b[i];
        if (Lower(x) != Lower(y)) return false;
    }
    return true;
}

bool StartsAgentIn(const std::wstring& command, const std::wstring& folder) {
    const std::size_t first = folder.find_first_not_of(L" \t");
    std::wstring base = first == std::wstring::npos ? std::wstring() : folder.substr(first);
    while (!base.empty() && (base.back() == L' ' || base.back() == L'\t')) base.pop_back();
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return !base.empty() && SameFileName(ServerImagePath(command), base + L"\\UploadAgent.exe");
}

// The file name in the status line is the agent's, and the counts are the agent's numbers.
#include <string>

#include "FuzzSupport.h"
#include "ui/StatusText.h"

namespace {

bool High(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool Low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::size_t Characters(const std::wstring& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++count)
        if (High(text[i]) && i + 1 < text.size() && Low(text[i + 1])) ++i;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(UploadingText(nullptr) == L"Uploading ");

    if (size >= 9) {
        const int percent = ReadInt32(data), count = ReadInt32(data + 4);
        const bool known = data[8] & 1;
        std::wstring expected = std::to_wstring(percent) + L"% done";
        if (known) expected += L" (" + std::to_wstring(count) + L" to go)";
        FUZZ_CHECK(ProgressText(percent, known ? &count : nullptr) == expected);
    }

    // The line shows the whole name or its tail of exactly ten characters, never half a pair.
    const std::unique_ptr<wchar_t[]> name = ExactWideString(data, size);
    const std::wstring given = name.get(), line = UploadingText(name.get());
    if (Characters(given) <= UPLOADING_TAIL) {
        FUZZ_CHECK(line == L"Uploading " + given);
    } else {
        const std::wstring head = L"Uploading ...";
        FUZZ_CHECK(line.compare(0, head.size(), head) == 0);
        const std::wstring tail = line.substr(head.size());
        FUZZ_CHECK(tail.size() < given.size() && given.compare(given.size() - tail.size(), tail.size(), tail) == 0);
        FUZZ_CHECK(Characters(tail) == UPLOADING_TAIL);
        const std::size_t start = given.size() - tail.size();
        FUZZ_CHECK(!(Low(given[start]) && High(given[start - 1])));
    }
    return 0;
}

// Status codes are the agent's numbers; file names and paths in the messages come from the
// agent or from a drop.
#include <cwchar>
#include <string>

#include "FuzzSupport.h"
#include "agent/StatusTable.h"

namespace {

// The message with the text inserted must be the message with an empty text, opened where a
// marker lands: inserted verbatim, never read as a format.
template <typename Format>
void CheckInserted(Format format, const wchar_t* text) {
    const std::wstring empty = format(L"");
    const std::size_t at = format(L"\x01").find(L'\x01');
    FUZZ_CHECK(at != std::wstring::npos && at <= empty.size());
    FUZZ_CHECK(format(text) == empty.substr(0, at) + text + empty.substr(at));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size >= 4) {
        const int code = ReadInt32(data);
        const StatusRule rule = LookupStatus(code);
        const bool boxed = rule.action == StatusAction::Message || rule.action == StatusAction::MessageThenSignIn;
        FUZZ_CHECK(boxed == (rule.text != nullptr));
        if (rule.text) FUZZ_CHECK(std::wcslen(rule.text) > 0);
        if (code < 10 || code > 121) FUZZ_CHECK(rule.action == StatusAction::None);

        const std::wstring number = std::to_wstring(code);
        const std::wstring message = FormatConnectFailure(code);
        FUZZ_CHECK(message.find(L"'" + number + L"'") != std::wstring::npos);
        FUZZ_CHECK(message.size() == FormatConnectFailure(0).size() - 1 + number.size());
    }

    const std::unique_ptr<wchar_t[]> text = ExactWideString(data, size);
    CheckInserted(FormatUploadFailed, text.get());
    CheckInserted(FormatTooBig, text.get());
    FUZZ_CHECK(FormatUploadFailed(nullptr) == FormatUploadFailed(L""));
    FUZZ_CHECK(FormatTooBig(nullptr) == FormatTooBig(L""));
    return 0;
}

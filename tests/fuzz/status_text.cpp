// The file name in the status line is the agent's, and the counts are the agent's numbers.
#include <string>

#include "FuzzSupport.h"
#include "ui/StatusText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(UploadingText(nullptr) == "Uploading ");

    if (size >= 9) {
        const int percent = ReadInt32(data), count = ReadInt32(data + 4);
        const bool known = data[8] & 1;
        std::string expected = std::to_string(percent) + "% done";
        if (known) expected += " (" + std::to_string(count) + " to go)";
        FUZZ_CHECK(ProgressText(percent, known ? &count : nullptr) == expected);
    }

    const std::unique_ptr<char[]> name = ExactCString(data, size);
    const std::string given = name.get();
    const std::string expected =
        given.size() > 10 ? "Uploading ..." + given.substr(given.size() - 10) : "Uploading " + given;
    FUZZ_CHECK(UploadingText(name.get()) == expected);
    return 0;
}

// The command line is whatever the starting program passed, in UTF-16.
#include "FuzzSupport.h"
#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(FindStartSwitch(nullptr) == StartSwitch::None);
    const std::unique_ptr<wchar_t[]> line = ExactWideString(data, size);
    const StartSwitch found = FindStartSwitch(line.get());
    FUZZ_CHECK(found == StartSwitch::None || found == StartSwitch::RegisterUser || found == StartSwitch::ShowParcelo ||
               found == StartSwitch::ClearSettings);
    return 0;
}

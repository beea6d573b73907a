// The command line is whatever the starting program passed.
#include <string>

#include "FuzzSupport.h"
#include "app/CommandLine.h"

namespace {

StartSwitch PlainReading(const std::string& line) {
    if (line.find(" /registeruser") != std::string::npos) return StartSwitch::RegisterUser;
    if (line.find(" /showparcelo") != std::string::npos) return StartSwitch::ShowParcelo;
    if (line.find(" /clearreg") != std::string::npos) return StartSwitch::ClearSettings;
    return StartSwitch::None;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) FUZZ_CHECK(FindStartSwitch(nullptr) == StartSwitch::None);
    const std::unique_ptr<char[]> line = ExactCString(data, size);
    FUZZ_CHECK(FindStartSwitch(line.get()) == PlainReading(line.get()));
    return 0;
}

// Dropped text comes from another program: a block of any bytes, with or without a NUL.
#include <string>

#include "FuzzSupport.h"
#include "drop/DroppedText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Exactly the sender's bytes in a block of their own size, so a read past it is caught.
    std::unique_ptr<char[]> block(new char[size ? size : 1]);
    if (size) std::memcpy(block.get(), data, size);
    const std::string text = TextFromBlock(block.get(), size);
    FUZZ_CHECK(text.size() <= size);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    FUZZ_CHECK(text.size() == size || block[text.size()] == '\0');
    FUZZ_CHECK(std::memcmp(text.data(), block.get(), text.size()) == 0);
    return 0;
}

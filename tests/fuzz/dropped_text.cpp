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

    // The same bytes as a CF_UNICODETEXT block: whole units only, up to the first NUL unit.
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.get());
    const std::wstring wide = TextFromWideBlock(bytes, size);
    FUZZ_CHECK(wide.size() <= size / 2 && wide.find(L'\0') == std::wstring::npos);
    const std::size_t end = 2 * wide.size();
    FUZZ_CHECK(end + 1 >= size || (bytes[end] == 0 && bytes[end + 1] == 0));
    for (std::size_t i = 0; i < wide.size(); ++i)
        FUZZ_CHECK(wide[i] == static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return 0;
}

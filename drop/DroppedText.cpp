#include "drop/DroppedText.h"

std::string TextFromBlock(const char* bytes, std::size_t size) {
    if (!bytes) return std::string();
    std::size_t length = 0;
    while (length < size && bytes[length] != '\0') ++length;
    return std::string(bytes, length);
}

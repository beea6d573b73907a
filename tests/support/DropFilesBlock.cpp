#include "tests/support/DropFilesBlock.h"

namespace {

constexpr uint32_t HEADER_SIZE = 20;  // pFiles, pt.x, pt.y, fNC, fWide

void PutUnit(std::vector<unsigned char>& block, char16_t unit, bool wide) {
    block.push_back(static_cast<unsigned char>(unit & 0xFF));
    if (wide) block.push_back(static_cast<unsigned char>(unit >> 8));
}

}  // namespace

std::vector<unsigned char> DropFilesBlock(const std::vector<std::u16string>& names, bool wide, uint32_t offset) {
    std::vector<unsigned char> block(offset < HEADER_SIZE ? HEADER_SIZE : offset, 0);
    for (int i = 0; i < 4; ++i) block[i] = static_cast<unsigned char>(offset >> (8 * i));
    block[16] = wide ? 1 : 0;
    for (const std::u16string& name : names) {
        for (char16_t unit : name) PutUnit(block, unit, wide);
        PutUnit(block, 0, wide);
    }
    PutUnit(block, 0, wide);
    return block;
}

std::vector<unsigned char> DropFilesBlock(const std::vector<std::string>& names, bool wide, uint32_t offset) {
    std::vector<std::u16string> units;
    for (const std::string& name : names) {
        units.emplace_back();
        for (char c : name) units.back().push_back(static_cast<unsigned char>(c));
    }
    return DropFilesBlock(units, wide, offset);
}

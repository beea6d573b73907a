#include "ui/DropLayout.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

unsigned UsableDpi(unsigned dpi) {
    if (dpi == 0) return LOGICAL_DPI;
    return std::min(std::max(dpi, MIN_DPI), MAX_DPI);
}

int ScaleToDpi(int logical, unsigned dpi) {
    const int64_t scaled = static_cast<int64_t>(logical) * UsableDpi(dpi);
    const int64_t half = LOGICAL_DPI / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / LOGICAL_DPI : -((-scaled + half) / LOGICAL_DPI));
}

LayoutSize ScaleToDpi(LayoutSize logical, unsigned dpi) {
    return {ScaleToDpi(logical.width, dpi), ScaleToDpi(logical.height, dpi)};
}

LayoutRect ScaleToDpi(LayoutRect logical, unsigned dpi) {
    return {ScaleToDpi(logical.left, dpi), ScaleToDpi(logical.top, dpi), ScaleToDpi(logical.right, dpi),
            ScaleToDpi(logical.bottom, dpi)};
}

int SkinScaleFor(unsigned dpi) {
    const uint64_t wanted = static_cast<uint64_t>(UsableDpi(dpi)) * 100;  // percent × 96
    for (int scale : SKIN_SCALES)
        if (static_cast<uint64_t>(scale) * LOGICAL_DPI >= wanted) return scale;
    return SKIN_SCALES[std::size(SKIN_SCALES) - 1];
}

LayoutSize SkinSizeAtScale(int scale) {
    return {static_cast<int>((static_cast<int64_t>(SKIN_SIZE.width) * scale + 50) / 100),
            static_cast<int>((static_cast<int64_t>(SKIN_SIZE.height) * scale + 50) / 100)};
}

int32_t KeepGrowthInside(int32_t start, int size, int logicalSize, int32_t workEnd) {
    const int64_t past = static_cast<int64_t>(start) + size - workEnd;
    const int64_t grown = std::max<int64_t>(0, static_cast<int64_t>(size) - logicalSize);
    const int64_t back = std::min(std::max<int64_t>(0, past), grown);
    return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, static_cast<int64_t>(start) - back));
}

#pragma once

#include <cstdint>

namespace marlune::report {

// Paper, offsets and printable area of a page, in device pixels and in report
// units; every template page and prepared page carries one.
struct PrintGeometry {
    std::int32_t physicalWidthPx = 0;
    std::int32_t physicalHeightPx = 0;
    std::int32_t paperWidth = 0;
    std::int32_t paperHeight = 0;
    std::int32_t physicalOffsetXPx = 0;
    std::int32_t physicalOffsetYPx = 0;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    std::int32_t printableWidthPx = 0;
    std::int32_t printableHeightPx = 0;
    std::int32_t printableWidth = 0;
    std::int32_t printableHeight = 0;

    bool operator==(const PrintGeometry&) const = default;
};

} // namespace marlune::report

#pragma once
// The 48-byte header of a RIP print file (little-endian, all fields unsigned 32-bit), followed by
// plane-interleaved raster lines: for each line, uiColors plane lines of uiBytesPerLine bytes.
#include <cstdint>

struct RipHead {
    uint32_t uiReserved0 = 0; // layout tag; the preview treats 0x6666 and 0x2222FFFF specially
    uint32_t uiXDPI = 0;
    uint32_t uiYDPI = 0;
    uint32_t uiBytesPerLine = 0;
    uint32_t uiHeight = 0;
    uint32_t uiWidth = 0;
    uint32_t uiReserved24 = 0;
    uint32_t uiColors = 0;
    uint32_t uiReserved32 = 0;
    uint32_t uiReserved36 = 0;
    uint32_t uiReserved40 = 0;
    uint32_t uiReserved44 = 0;
};
static_assert(sizeof(RipHead) == 48, "RipHead is 48 bytes on disk");

constexpr uint32_t kRipHeadSize = 48;

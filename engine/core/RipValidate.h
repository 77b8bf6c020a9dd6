#pragma once
// The one check every RIP header passes before the engine trusts it: plausible resolutions,
// sizes and plane counts, a line that can hold its dots, a raster size that neither overflows
// nor exceeds the file. A refused header is never used to size a read or an allocation.
#include <cstdint>
#include <span>
#include <string>

#include "core/RipHead.h"

constexpr uint64_t kRipSizeUnknown = UINT64_MAX; // a stream: its length is not known up front

constexpr uint32_t kRipMaxDPI = 9600;
constexpr uint32_t kRipMaxColors = 32;
constexpr uint32_t kRipMaxWidth = 1u << 20;  // dots (26 m at 1000 dpi)
constexpr uint32_t kRipMaxHeight = 1u << 24; // lines (280 m at 1500 dpi)
constexpr uint32_t kRipMaxLinePadding = 4096; // bytes a line may carry beyond its dots

enum class RipFault {
    None,
    ShortHeader,        // fewer than 48 bytes
    XDPI,
    YDPI,
    Colors,
    Width,
    Height,
    BytesPerLineSmall,  // cannot hold uiWidth dots
    BytesPerLineLarge,  // far more than uiWidth dots need
    SizeOverflow,       // uiColors x uiHeight x uiBytesPerLine does not fit
    FileTooShort,       // the file ends before the raster the header promises
};

// fileSize: the file's length in bytes, or kRipSizeUnknown for a stream whose header was read whole.
RipFault RipHeadFault(const RipHead& head, uint64_t fileSize);
// "" when the header is sound, else why it is refused (English, or Chinese when chinese is set).
std::string ValidateRipHead(const RipHead& head, uint64_t fileSize, bool chinese = false);

// The header as a job's first bytes give it: the first 48 (fewer when the data end sooner, and
// then refused as short) decoded and checked against the length (the file's, or kRipSizeUnknown
// for a network stream). The engine's job reader and the network receiver take it this way.
struct RipStart {
    RipHead head;
    unsigned got = 0;  // header bytes there were (at most 48)
    std::string why;   // "" when the header is sound
};
RipStart CheckRipStart(std::span<const uint8_t> first, uint64_t length, bool chinese = false);

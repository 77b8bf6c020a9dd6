#include "core/RipValidate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/RipFormat.h"

namespace {

uint64_t bytesFor(uint32_t dots) { return (uint64_t(dots) + 7) / 8; }

template <class... A> std::string fmt(const char* f, A... a) {
    char buf[512];
    std::snprintf(buf, sizeof buf, f, a...);
    return buf;
}

} // namespace

RipFault RipHeadFault(const RipHead& h, uint64_t fileSize) {
    if (fileSize < kRipHeadSize) return RipFault::ShortHeader;
    if (h.uiXDPI == 0 || h.uiXDPI > kRipMaxDPI) return RipFault::XDPI;
    if (h.uiYDPI == 0 || h.uiYDPI > kRipMaxDPI) return RipFault::YDPI;
    if (h.uiColors == 0 || h.uiColors > kRipMaxColors) return RipFault::Colors;
    if (h.uiWidth == 0 || h.uiWidth > kRipMaxWidth) return RipFault::Width;
    if (h.uiHeight == 0 || h.uiHeight > kRipMaxHeight) return RipFault::Height;
    if (h.uiBytesPerLine < bytesFor(h.uiWidth)) return RipFault::BytesPerLineSmall;
    if (h.uiBytesPerLine > bytesFor(h.uiWidth) + kRipMaxLinePadding) return RipFault::BytesPerLineLarge;
    const uint64_t expected = RipExpectedFileSize(h);
    if (expected == UINT64_MAX) return RipFault::SizeOverflow;
    if (fileSize != kRipSizeUnknown && fileSize < expected) return RipFault::FileTooShort;
    return RipFault::None;
}

std::string ValidateRipHead(const RipHead& h, uint64_t fileSize, bool zh) {
    using ull = unsigned long long;
    switch (RipHeadFault(h, fileSize)) {
    case RipFault::None: return {};
    case RipFault::ShortHeader:
        return zh ? fmt("数据只有%llu字节，不足一个RIP文件头（48字节）", ull(fileSize))
                  : fmt("the data end after %llu bytes, before the 48-byte RIP header is complete", ull(fileSize));
    case RipFault::XDPI:
        return zh ? fmt("横向分辨率%u dpi不合理（应为1至%u）", h.uiXDPI, kRipMaxDPI)
                  : fmt("horizontal resolution %u dpi is not plausible (1 to %u)", h.uiXDPI, kRipMaxDPI);
    case RipFault::YDPI:
        return zh ? fmt("纵向分辨率%u dpi不合理（应为1至%u）", h.uiYDPI, kRipMaxDPI)
                  : fmt("vertical resolution %u dpi is not plausible (1 to %u)", h.uiYDPI, kRipMaxDPI);
    case RipFault::Colors:
        return zh ? fmt("颜色层数%u不合理（应为1至%u）", h.uiColors, kRipMaxColors)
                  : fmt("%u colour planes is not plausible (1 to %u)", h.uiColors, kRipMaxColors);
    case RipFault::Width:
        return zh ? fmt("图像宽度%u点不合理（应为1至%u）", h.uiWidth, kRipMaxWidth)
                  : fmt("image width of %u dots is not plausible (1 to %u)", h.uiWidth, kRipMaxWidth);
    case RipFault::Height:
        return zh ? fmt("图像高度%u行不合理（应为1至%u）", h.uiHeight, kRipMaxHeight)
                  : fmt("image height of %u lines is not plausible (1 to %u)", h.uiHeight, kRipMaxHeight);
    case RipFault::BytesPerLineSmall:
        return zh ? fmt("每行%u字节容纳不下%u个点（至少需要%llu字节）", h.uiBytesPerLine, h.uiWidth,
                        ull(bytesFor(h.uiWidth)))
                  : fmt("%u bytes per line cannot hold %u dots (%llu bytes needed)", h.uiBytesPerLine, h.uiWidth,
                        ull(bytesFor(h.uiWidth)));
    case RipFault::BytesPerLineLarge:
        return zh ? fmt("每行%u字节远超%u个点所需（最多%llu字节）", h.uiBytesPerLine, h.uiWidth,
                        ull(bytesFor(h.uiWidth) + kRipMaxLinePadding))
                  : fmt("%u bytes per line is far more than %u dots need (at most %llu)", h.uiBytesPerLine,
                        h.uiWidth, ull(bytesFor(h.uiWidth) + kRipMaxLinePadding));
    case RipFault::SizeOverflow:
        return zh ? std::string("光栅数据大小（颜色层数×高度×每行字节数）超出范围")
                  : std::string("the raster size (planes x height x bytes per line) is out of range");
    case RipFault::FileTooShort:
        return zh ? fmt("文件长度为%llu字节，但文件头要求%llu字节", ull(fileSize), ull(RipExpectedFileSize(h)))
                  : fmt("the file is %llu bytes long, but its header needs %llu bytes", ull(fileSize),
                        ull(RipExpectedFileSize(h)));
    }
    return {};
}

RipStart CheckRipStart(std::span<const uint8_t> first, uint64_t length, bool zh) {
    RipStart r;
    uint8_t bytes[kRipHeadSize] = {}; // what did not come reads as 0, as in a short read
    r.got = unsigned(std::min<size_t>(first.size(), kRipHeadSize));
    if (r.got) std::memcpy(bytes, first.data(), r.got);
    r.head = DecodeRipHead(bytes);
    r.why = ValidateRipHead(r.head, r.got < kRipHeadSize ? uint64_t(r.got) : length, zh);
    return r;
}

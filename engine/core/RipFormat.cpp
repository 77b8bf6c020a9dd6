#include "core/RipFormat.h"

#include <unistd.h>

namespace {

void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The fields in file order; the record's layout in memory plays no part.
template <class H, class F> void eachField(H& h, F f) {
    f(0, h.uiReserved0);
    f(4, h.uiXDPI);
    f(8, h.uiYDPI);
    f(12, h.uiBytesPerLine);
    f(16, h.uiHeight);
    f(20, h.uiWidth);
    f(24, h.uiReserved24);
    f(28, h.uiColors);
    f(32, h.uiReserved32);
    f(36, h.uiReserved36);
    f(40, h.uiReserved40);
    f(44, h.uiReserved44);
}

} // namespace

void EncodeRipHead(const RipHead& head, uint8_t out[kRipHeadSize]) {
    eachField(head, [out](unsigned off, uint32_t v) { put32(out + off, v); });
}

RipHead DecodeRipHead(const uint8_t in[kRipHeadSize]) {
    RipHead h;
    eachField(h, [in](unsigned off, uint32_t& v) { v = get32(in + off); });
    return h;
}

uint64_t RipRasterBytes(const RipHead& head) {
    uint64_t planeLines = 0, bytes = 0;
    if (__builtin_mul_overflow(uint64_t(head.uiColors), uint64_t(head.uiHeight), &planeLines) ||
        __builtin_mul_overflow(planeLines, uint64_t(head.uiBytesPerLine), &bytes))
        return UINT64_MAX;
    return bytes;
}

uint64_t RipExpectedFileSize(const RipHead& head) {
    uint64_t raster = RipRasterBytes(head);
    return raster > UINT64_MAX - kRipHeadSize ? UINT64_MAX : raster + kRipHeadSize;
}

void RipFd::reset(int fd) {
    if (fd_ >= 0 && fd_ != fd) ::close(fd_);
    fd_ = fd;
}

// Debug bitmaps of a pass: each head's source rows and its card columns as 1-bit bitmaps under
// "bmps", so a transposition can be looked at with any image viewer.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "core/TransposeInternal.h"
#include "platform/Files.h"
#include "platform/Log.h"

namespace {

void put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}
void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// A 1-bit bitmap, rows given top to bottom as packed bits (leftmost pixel in bit 7); set bits
// are ink and show black. Bitmaps keep their rows bottom-up, each padded to 4 bytes.
bool writeBitmap(const std::string& path, uint32_t width, uint32_t height,
                 const std::function<void(uint32_t row, uint8_t* bits)>& rowBits) {
    const uint32_t stride = (width + 31) / 32 * 4;
    const uint64_t pixels = uint64_t(stride) * height;
    if (width == 0 || height == 0 || pixels > (1ull << 30)) return false;
    std::string s(62 + size_t(pixels), '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, uint32_t(s.size()));
    put32(s, 10, 62);
    put32(s, 14, 40);
    put32(s, 18, width);
    put32(s, 22, height);
    put16(s, 26, 1);
    put16(s, 28, 1);
    put32(s, 34, uint32_t(pixels));
    put32(s, 38, 7085); // pixels per metre, both ways
    put32(s, 42, 7085);
    put32(s, 46, 2);
    put32(s, 50, 2);
    put32(s, 54, 0x00FFFFFF); // 0: white paper
    put32(s, 58, 0x00000000); // 1: ink
    for (uint32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint8_t*>(&s[62 + size_t(height - 1 - y) * stride]);
        rowBits(y, row);
        if (width % 8) row[width / 8] &= uint8_t(0xFF << (8 - width % 8));
    }
    return platform::writeFileAtomic(path, s);
}

std::string bmpPath(const CDrvPrint& d, const char* kind, unsigned h) {
    return platform::joinPath(d.csBaseDir, std::string("bmps/") + kind + "000" + std::to_string(h) + ".bmp");
}

bool prepare(const CDrvPrint& d) {
    const std::string dir = platform::joinPath(d.csBaseDir, "bmps");
    if (platform::makeDirs(dir)) return true;
    platform::log(platform::LogLevel::Warn, "debug bitmaps: cannot create " + dir);
    return false;
}

void writeSource(const CDrvPrint& d, unsigned h) {
    const uint64_t R = d.uiPassRowBytes;
    if (R == 0) return;
    const uint64_t rows = std::min<uint64_t>(d.uiPassRows, d.uiHeadPassSize / R);
    const uint8_t* pass = d.headPassBuf[h].get();
    const uint32_t width = uint32_t(std::min<uint64_t>(8 * R, UINT32_MAX));
    if (!writeBitmap(bmpPath(d, "pSource-C", h), width, uint32_t(rows),
                     [&](uint32_t y, uint8_t* bits) { std::memcpy(bits, pass + y * R, R); }))
        platform::logf(platform::LogLevel::Warn, "debug bitmaps: cannot write the source of head %u", h);
}

void report(bool ok, unsigned h) {
    if (!ok) platform::logf(platform::LogLevel::Warn, "debug bitmaps: cannot write the target of head %u", h);
}

} // namespace

void CDrvPrint::IMGGenerateRTCbmp() {
    if (!prepare(*this)) return;
    const uint64_t K = uiCardRowBytes;
    if (K == 0) return;
    for (unsigned h = 0; h < raster::headCount(*this); ++h) {
        if (!raster::headReady(*this, h)) continue;
        writeSource(*this, h);
        // One bitmap row per card column, its nozzle rows from left to right.
        const uint64_t cols = std::min(raster::clearColumns16(*this), uiHeadCardSize / K);
        const uint8_t* card = headCardBuf[h].get();
        report(writeBitmap(bmpPath(*this, "pTarget-C", h), uint32_t(8 * K), uint32_t(cols),
                           [&](uint32_t y, uint8_t* bits) { std::memcpy(bits, card + y * K, K); }),
               h);
    }
}

void CDrvPrint::IMGGenerateRTCbmp8Lines() {
    if (!prepare(*this)) return;
    const uint64_t K8 = 8ull * uiCardRowBytes;
    if (K8 == 0) return;
    for (unsigned h = 0; h < raster::headCount(*this); ++h) {
        if (!raster::headReady(*this, h)) continue;
        writeSource(*this, h);
        // One bitmap row per byte position of the groups: the pass as the card will fire it.
        const uint64_t groups = std::min(raster::clearBytes8(*this), uiHeadCardSize) / K8;
        const uint8_t* card = headCardBuf[h].get();
        report(writeBitmap(bmpPath(*this, "pTarget-C", h), uint32_t(8 * groups), uint32_t(K8),
                           [&](uint32_t y, uint8_t* bits) {
                               for (uint64_t gi = 0; gi < groups; ++gi) bits[gi] = card[gi * K8 + y];
                           }),
               h);
    }
}

#pragma once
// A small engine set up for raster tests: head buffers of chosen sizes (allocated exactly, so
// the address sanitizer sees any write past them), a pass geometry and dot helpers; and the
// plain bit-by-bit reference of both card layouts.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/DrvPrint.h"

namespace rastertest {

struct Rig {
    std::unique_ptr<CDrvPrint> d = std::make_unique<CDrvPrint>();
    // The transposition is checked from head offsets of 0 in both directions.
    Rig() {
        for (auto& v : d->headAlignment.HeadOffsetXL) v = 0;
        for (auto& v : d->HeadOffsetXL) v = 0;
    }

    // heads with pass buffers of passSize and card buffers of cardSize bytes
    void alloc(unsigned heads, size_t passSize, size_t cardSize) {
        d->HEADS = heads;
        d->headPassBuf.clear();
        d->headCardBuf.clear();
        for (unsigned h = 0; h < heads; ++h) {
            d->headPassBuf.emplace_back(new uint8_t[passSize]());
            d->headCardBuf.emplace_back(new uint8_t[cardSize]());
        }
        d->uiHeadsAllocated = heads;
        d->uiHeadPassSize = passSize;
        d->uiHeadCardSize = cardSize;
    }
    // A plain pass: N nozzles, one head per colour, rows of R bytes, K card bytes a column.
    void geometry(unsigned N, unsigned R, unsigned rows, unsigned K, unsigned widthDots) {
        d->NOZZLESPERHEAD = N;
        d->uiNozzlesPerColor = N;
        d->NOZZLESOFFSET = 0;
        d->uiPassRowBytes = R;
        d->uiPassRows = rows;
        d->uiCardRowBytes = K;
        d->uiPassWidthDots = widthDots;
        d->uiHeadWidth = 0;
    }
    void dot(unsigned h, unsigned row, unsigned x) {
        d->headPassBuf[h][size_t(row) * d->uiPassRowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    uint8_t* card(unsigned h) { return d->headCardBuf[h].get(); }
    uint8_t* pass(unsigned h) { return d->headPassBuf[h].get(); }
    // Set bits of a head's card buffer.
    size_t inkedBits(unsigned h) const {
        size_t n = 0;
        for (size_t i = 0; i < d->uiHeadCardSize; ++i) n += size_t(__builtin_popcount(d->headCardBuf[h][i]));
        return n;
    }
    // Install mask m with every byte v.
    void mask(unsigned m, uint8_t v) {
        d->maskBuf[m].reset(new uint8_t[kMaskBytes]);
        std::memset(d->maskBuf[m].get(), v, kMaskBytes);
    }
};

// The reference transpositions: every output bit gathered one at a time from its definition.
// `out` starts as a copy of the head's card buffer before the transposition.
void referenceRowToColumn16(const CDrvPrint& d, unsigned h, std::vector<uint8_t>& out);
void referenceRowToColumn8(const CDrvPrint& d, unsigned h, std::vector<uint8_t>& out);

} // namespace rastertest

#pragma once
// Stages of a pass that the engine does not have yet (the band reader, the head slicer, the blank
// margin search and the card transfer come with the print loop). Until then the benchmarks time
// these stand-ins, written the way the print loop is to do the work, so that the whole
// preparation of a pass can be costed; replace each one by the engine's own when it lands.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/DrvPrint.h"

namespace benchpass {

// A band of plane-interleaved raster lines (every line holds the planes one after another) split
// into the colour rings: plane p goes to ring p, line after line, from line `at` of the ring.
inline void ringDeinterleave(const uint8_t* band, unsigned lines, unsigned planes, unsigned R,
                             std::vector<std::vector<uint8_t>>& rings, uint64_t ringLines, uint64_t at) {
    for (unsigned y = 0; y < lines; ++y) {
        const uint64_t slot = (at + y) % ringLines;
        const uint8_t* line = band + size_t(y) * planes * R;
        for (unsigned p = 0; p < planes && p < rings.size(); ++p)
            std::memcpy(rings[p].data() + slot * R, line + size_t(p) * R, R);
    }
}

// The nozzle rows of every head for one pass: row r of head h is ring line (base + interlace * r + s)
// of the head's colour.
inline void sliceHeadRows(CDrvPrint& d, const std::vector<std::vector<uint8_t>>& rings, uint64_t ringLines,
                          uint64_t base, unsigned interlace, unsigned s) {
    const unsigned R = d.uiPassRowBytes;
    for (unsigned h = 0; h < d.HEADS; ++h) {
        const auto& ring = rings[size_t(d.ColorChannel[h]) % rings.size()];
        uint8_t* out = d.headPassBuf[h].get();
        for (unsigned r = 0; r < d.NOZZLESPERHEAD; ++r) {
            const uint64_t line = (base + uint64_t(interlace) * r + s) % ringLines;
            std::memcpy(out + size_t(d.NOZZLESOFFSET + r) * R, ring.data() + line * R, R);
        }
    }
}

// First non-zero byte of p[0 .. n), or n.
inline size_t firstNonZero(const uint8_t* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w) return i + size_t(__builtin_ctzll(w) / 8);
    }
    for (; i < n; ++i)
        if (p[i]) return i;
    return n;
}

// Last non-zero byte of p[from .. n), or SIZE_MAX.
inline size_t lastNonZero(const uint8_t* p, size_t from, size_t n) {
    size_t i = n;
    while (i >= from + 8) {
        uint64_t w;
        std::memcpy(&w, p + i - 8, 8);
        if (w) return i - 1 - size_t(__builtin_clzll(w) / 8);
        i -= 8;
    }
    while (i > from) {
        --i;
        if (p[i]) return i;
    }
    return SIZE_MAX;
}

struct BlankResult {
    unsigned left = 0, right = 0;
    bool blank = false;
};

// The blank margins of a pass over the head pass buffers: the leftmost and rightmost inked byte
// (as dot positions). Each row is searched only where it could move the margin found so far.
inline BlankResult blankMargins(const CDrvPrint& d) {
    const unsigned W = d.uiPassWidthDots, R = d.uiPassRowBytes, rows = d.uiPassRows;
    BlankResult out;
    uint64_t left = W;
    for (unsigned h = 0; h < d.HEADS && left > 0; ++h) {
        const uint8_t* buf = d.headPassBuf[h].get();
        for (unsigned r = 0; r < rows && left > 0; ++r) {
            const size_t limit = std::min<size_t>(R, (left + 7) / 8);
            const size_t i = firstNonZero(buf + size_t(r) * R, limit);
            if (i < limit && 8 * i < left) left = 8 * i;
        }
    }
    if (left >= W) {
        out.blank = true;
        return out;
    }
    uint64_t right = 0;
    for (unsigned h = 0; h < d.HEADS; ++h) {
        const uint8_t* buf = d.headPassBuf[h].get();
        for (unsigned r = 0; r < rows; ++r) {
            const size_t from = std::max<size_t>(1, right / 8 + 1);
            if (from >= R) break;
            const size_t i = lastNonZero(buf + size_t(r) * R, from, R);
            if (i != SIZE_MAX && 8 * i > right) right = 8 * i;
        }
    }
    out.left = unsigned(left);
    out.right = unsigned(std::min<uint64_t>(right, W));
    return out;
}

constexpr size_t kCardChunk = 32768; // bytes of one device write

// Card transfer of the 8-line layout without the device: for every head and 128-row block the
// 128 bytes of each group are gathered into the block buffer with the bytes of every 32-bit word
// reversed, in one pass, and the buffer is cut into 32 KiB writes. Returns the writes.
inline size_t assembleCard8(const CDrvPrint& d, unsigned groups, std::vector<uint8_t>& chunk) {
    const size_t K8 = 8 * size_t(d.uiCardRowBytes), blocks = K8 / 128;
    const size_t bytes = (size_t(128) * groups + 1023) / 1024 * 1024;
    chunk.resize(bytes);
    size_t writes = 0;
    for (unsigned h = 0; h < d.HEADS; ++h) {
        const uint8_t* card = d.headCardBuf[h].get();
        for (size_t b = 0; b < blocks; ++b) {
            uint8_t* out = chunk.data();
            for (size_t g = 0; g < groups; ++g) {
                const uint8_t* src = card + g * K8 + 128 * b;
                uint32_t w[32];
                std::memcpy(w, src, 128);
                for (auto& x : w) x = __builtin_bswap32(x);
                std::memcpy(out + 128 * g, w, 128);
            }
            std::memset(out + size_t(128) * groups, 0, bytes - size_t(128) * groups);
            writes += (bytes + kCardChunk - 1) / kCardChunk;
        }
    }
    return writes;
}

// The same for the 16-byte layout: 16 bytes of every column per 128-row block.
inline size_t assembleCard16(const CDrvPrint& d, unsigned columns, std::vector<uint8_t>& chunk) {
    const size_t K = d.uiCardRowBytes, blocks = K / 16;
    const size_t bytes = (size_t(16) * columns + 1023) / 1024 * 1024;
    chunk.resize(bytes);
    size_t writes = 0;
    for (unsigned h = 0; h < d.HEADS; ++h) {
        const uint8_t* card = d.headCardBuf[h].get();
        for (size_t b = 0; b < blocks; ++b) {
            uint8_t* out = chunk.data();
            for (size_t x = 0; x < columns; ++x) {
                uint32_t w[4];
                std::memcpy(w, card + x * K + 16 * b, 16);
                for (auto& v : w) v = __builtin_bswap32(v);
                std::memcpy(out + 16 * x, w, 16);
            }
            std::memset(out + size_t(16) * columns, 0, bytes - size_t(16) * columns);
            writes += (bytes + kCardChunk - 1) / kCardChunk;
        }
    }
    return writes;
}

} // namespace benchpass

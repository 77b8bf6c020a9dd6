// Transposition of a pass into the card's 16-byte column layout: each column holds the dots of
// all nozzle rows of one head at one X position, 8 rows to a byte (first row in bit 7).
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/TransposeInternal.h"

namespace {

// 8x8 bit matrix transpose: byte i of the input (from the top) is row i, bit 7 - j is column j;
// byte j of the result holds column j with row i in bit 7 - i.
inline uint64_t transpose8x8(uint64_t x) {
    uint64_t t;
    t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x = x ^ t ^ (t << 28);
    return x;
}

} // namespace

void CDrvPrint::IMGRowToColumn() {
    if (bEightLineMode) {
        IMGRowToColumn8Lines();
    } else {
        const unsigned heads = raster::headCount(*this);
        for (unsigned h = 0; h < heads; ++h) IMGRowToColumnHead(h);
    }
    if (bDebugBmp) {
        if (bEightLineMode) IMGGenerateRTCbmp8Lines();
        else IMGGenerateRTCbmp();
    }
}

void CDrvPrint::IMGRowToColumnHead(unsigned h) {
    using namespace raster;
    if (!headReady(*this, h)) return;
    const int64_t K = uiCardRowBytes;
    if (K == 0) return;
    uint8_t* card = headCardBuf[h].get();
    const uint8_t* pass = headPassBuf[h].get();
    const int64_t W = uiPassWidthDots;
    const int64_t R = uiPassRowBytes;
    const int64_t maxCols = int64_t(uiHeadCardSize / uint64_t(K)); // whole columns in the buffer

    std::memset(card, 0, std::min<uint64_t>(clearColumns16(*this) * uint64_t(K), uiHeadCardSize));

    const int64_t off = stepsToDots(*this, bPassToLeft ? headAlignment.HeadOffsetXL[h] : headAlignment.HeadOffsetXR[h]);
    uiHeadXOffset[h] = int32_t(std::clamp<int64_t>(off, INT32_MIN, INT32_MAX));
    const Placement16 place = placement16(*this);
    // A row longer than the pass buffer or a column longer than the card buffer: nothing fits.
    if (maxCols == 0 || uint64_t(R) > uiHeadPassSize) return;

    // The source row behind every bit of a column; rows outside the pass buffer give 0.
    const int64_t first = int64_t(uiNozzlesPerColor) - int64_t(NOZZLESPERHEAD);
    const int64_t rowsHeld = R > 0 ? std::min<int64_t>(uiPassRows, int64_t(uiHeadPassSize / uint64_t(R))) : 0;
    const std::vector<uint8_t> blank(size_t(R), 0); // stands for rows without data
    std::vector<const uint8_t*> rows(size_t(K) * 8, blank.data());
    for (int64_t k = 0; k < K; ++k)
        for (int64_t j = 0; j < 8; ++j) {
            const int64_t row = sourceRow16(*this, k, j);
            const int64_t src = first + row;
            if (row >= 0 && src >= 0 && src < rowsHeld) rows[size_t(k * 8 + j)] = pass + src * R;
        }

    const uint8_t* mask = headMask(*this, h);
    const int64_t base = off + place.imageShift;
    const int64_t blocks = (W + 7) / 8;
    for (int64_t xb = 0; xb < blocks; ++xb) {
        const int dots = int(std::min<int64_t>(8, W - 8 * xb));
        // Columns of this block of 8 dots; mirrored passes run them the other way.
        int64_t col[8];
        bool inside = true;
        for (int t = 0; t < dots; ++t) {
            const int64_t x = 8 * xb + t;
            col[t] = bPassMirror ? base + x : base + W - 1 - x;
            inside = inside && col[t] >= 0 && col[t] < maxCols;
        }
        const bool haveSource = xb < R;
        const bool plain = inside && !mask && dots == 8;
        uint8_t* dst[8];
        if (plain)
            for (int t = 0; t < 8; ++t) dst[t] = card + col[t] * K;
        for (int64_t k = 0; k < K; ++k) {
            uint64_t m = 0;
            if (haveSource) {
                const uint8_t* const* r8 = &rows[size_t(k * 8)];
                for (int j = 0; j < 8; ++j) m = (m << 8) | r8[j][xb];
                if (m) m = transpose8x8(m);
            }
            if (plain) {
                for (int t = 0; t < 8; ++t) dst[t][k] = uint8_t(m >> (56 - 8 * t));
                continue;
            }
            for (int t = 0; t < dots; ++t) {
                uint8_t v = uint8_t(m >> (56 - 8 * t));
                if (mask) {
                    // Past the end of the mask buffer nothing is thinned.
                    const int64_t mi = ((8 * xb + t) % 512) * 64 + k;
                    if (mi < int64_t(kMaskBytes)) v &= mask[mi];
                }
                if (inside || (col[t] >= 0 && col[t] < maxCols)) card[col[t] * K + k] = v;
            }
        }
    }

    // Colour bars beside the image: one of three pattern rows per bar column.
    if (place.barColumns <= 0) return;
    const uint8_t* bytes = barPatternBytes(*this);
    const RowBand band = imageBand16(*this);
    std::vector<uint8_t> pattern(size_t(3 * K));
    for (int64_t k = 0; k < K; ++k) {
        uint8_t keep = 0xFF;
        if (colorBar.bSameHeightWithImage) {
            keep = 0;
            for (int j = 0; j < 8; ++j)
                if (band.contains(first + sourceRow16(*this, k, j) - int64_t(NOZZLESOFFSET))) keep |= uint8_t(0x80 >> j);
        }
        for (int64_t q = 0; q < 3; ++q) pattern[size_t(q * K + k)] = bytes[floorMod(k - q, 3)] & keep;
    }
    const int64_t c = colourOf(*this, h);
    auto put = [&](int64_t column, int64_t i) {
        if (column >= 0 && column < maxCols) std::memcpy(card + column * K, &pattern[size_t((i % 3) * K)], size_t(K));
    };
    for (int64_t i = 0; i < place.barColumns; ++i) {
        if (!barColumnDrawn16(*this, c, i)) continue;
        put(i + off + place.barOffset, i);
        if (place.secondCopy) put(i + off, i);
    }
}

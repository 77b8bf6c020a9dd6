// Transposition of a pass into the card's 16-byte column layout: each column holds the dots of
// all nozzle rows of one head at one X position, 8 rows to a byte (first row in bit 7).
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

namespace {

// Where the dots of the pass go: column of dot x, with the mask and the buffer bounds.
struct Columns16 {
    uint8_t* card;
    int64_t K, W, maxCols, base;
    bool mirror;
    const uint8_t* mask;
    int64_t col(int64_t x) const { return mirror ? base + x : base + W - 1 - x; }
    void put(int64_t x, int64_t k, uint8_t v) const {
        if (mask) {
            // Past the end of the mask buffer nothing is thinned.
            const int64_t mi = (x % 512) * 64 + k;
            if (mi < int64_t(kMaskBytes)) v &= mask[mi];
        }
        const int64_t c = col(x);
        if (c >= 0 && c < maxCols) card[c * K + k] = v;
    }
    // Stores words of n card bytes (k0 .. k0 + n - 1, k0 in the low byte) for the 128 dots from x0.
    template <class Word> void putWords(int64_t x0, int64_t k0, const Word* w) const {
        const int64_t c0 = col(x0), c1 = col(x0 + 127);
        if (!mask && std::min(c0, c1) >= 0 && std::max(c0, c1) < maxCols) {
            uint8_t* p = card + c0 * K + k0;
            const int64_t step = mirror ? K : -K;
            for (int t = 0; t < 128; ++t) std::memcpy(p + t * step, &w[t], sizeof(Word));
            return;
        }
        for (int t = 0; t < 128; ++t)
            for (unsigned b = 0; b < sizeof(Word); ++b) put(x0 + t, k0 + b, uint8_t(w[t] >> (8 * b)));
    }
};

// The portable kernel: card bytes k0 .. k1 - 1 of the 8 dots of source byte xb, one 8x8 bit
// matrix per card byte.
void block8(const Columns16& cc, const uint8_t* const* rows, int64_t R, int64_t xb, int64_t k0, int64_t k1) {
    const int dots = int(std::min<int64_t>(8, cc.W - 8 * xb));
    int64_t col[8];
    bool inside = true;
    for (int t = 0; t < dots; ++t) {
        col[t] = cc.col(8 * xb + t);
        inside = inside && col[t] >= 0 && col[t] < cc.maxCols;
    }
    const bool haveSource = xb < R;
    const bool plain = inside && !cc.mask && dots == 8;
    for (int64_t k = k0; k < k1; ++k) {
        uint64_t m = 0;
        if (haveSource) {
            const uint8_t* const* r8 = &rows[size_t(k * 8)];
            for (int j = 0; j < 8; ++j) m = (m << 8) | r8[j][xb];
            if (m) m = transpose8x8(m);
        }
        if (plain) {
            for (int t = 0; t < 8; ++t) cc.card[col[t] * cc.K + k] = uint8_t(m >> (56 - 8 * t));
            continue;
        }
        for (int t = 0; t < dots; ++t) cc.put(8 * xb + t, k, uint8_t(m >> (56 - 8 * t)));
    }
}

#if defined(__x86_64__)
// Vector kernels: 16 source bytes (128 dots) of 16 or 32 nozzle rows at a time. The rows are
// turned into byte columns with four rounds of byte interleaving (each round rotates the bits
// of the row:byte index by one, so four rounds exchange them); movemask then takes one bit of
// every row at once, which is one dot of 2 or 4 card bytes. Lane L carries the row of card byte
// k0 + L / 8, bit L % 8.
void words16Sse2(const uint8_t* const* lane, int64_t xb0, uint16_t* out) {
    __m128i a[16];
    for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i] + xb0));
    for (int round = 0; round < 4; ++round) {
        __m128i b[16];
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
        }
        for (int i = 0; i < 16; ++i) a[i] = b[i];
    }
    for (int c = 0; c < 16; ++c) {
        __m128i v = a[c];
        for (int s = 0; s < 8; ++s) {
            out[8 * c + s] = uint16_t(_mm_movemask_epi8(v));
            v = _mm_add_epi8(v, v);
        }
    }
}

__attribute__((target("avx2"))) void words32Avx2(const uint8_t* const* lane, int64_t xb0, uint32_t* out) {
    __m256i a[16];
    for (int i = 0; i < 16; ++i) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i] + xb0));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i + 16] + xb0));
        a[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    }
    for (int round = 0; round < 4; ++round) {
        __m256i b[16];
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = _mm256_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm256_unpackhi_epi8(a[i], a[i + 8]);
        }
        for (int i = 0; i < 16; ++i) a[i] = b[i];
    }
    for (int c = 0; c < 16; ++c) {
        __m256i v = a[c];
        for (int s = 0; s < 8; ++s) {
            out[8 * c + s] = uint32_t(_mm256_movemask_epi8(v));
            v = _mm256_add_epi8(v, v);
        }
    }
}

// The same on 64 rows: one mask gives 8 card bytes of a column.
__attribute__((target("avx512f,avx512bw"))) void words64Avx512(const uint8_t* const* lane, int64_t xb0,
                                                                uint64_t* out) {
    __m512i a[16];
    for (int i = 0; i < 16; ++i) {
        __m512i v = _mm512_castsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i] + xb0)));
        v = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i + 16] + xb0)), 1);
        v = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i + 32] + xb0)), 2);
        v = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(lane[i + 48] + xb0)), 3);
        a[i] = v;
    }
    for (int round = 0; round < 4; ++round) {
        __m512i b[16];
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = _mm512_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm512_unpackhi_epi8(a[i], a[i + 8]);
        }
        for (int i = 0; i < 16; ++i) a[i] = b[i];
    }
    for (int c = 0; c < 16; ++c) {
        __m512i v = a[c];
        for (int s = 0; s < 8; ++s) {
            out[8 * c + s] = uint64_t(_mm512_movepi8_mask(v));
            v = _mm512_add_epi8(v, v);
        }
    }
}
#endif

} // namespace

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

    const int64_t off = stepsToDots(*this, bPassToLeft ? headAlignment.HeadOffsetXL[h] : headAlignment.HeadOffsetXR[h]);
    uiHeadXOffset[h] = int32_t(std::clamp<int64_t>(off, INT32_MIN, INT32_MAX));
    const Placement16 place = placement16(*this);
    const int64_t clearEnd = int64_t(std::min<uint64_t>(clearColumns16(*this) * uint64_t(K), uiHeadCardSize));
    // A row longer than the pass buffer or a column longer than the card buffer: nothing fits.
    if (maxCols == 0 || uint64_t(R) > uiHeadPassSize) {
        std::memset(card, 0, size_t(clearEnd));
        return;
    }
    // The image columns are written whole below; only the rest needs clearing.
    const int64_t imgLo = std::clamp<int64_t>(off + place.imageShift, 0, maxCols);
    const int64_t imgHi = std::clamp<int64_t>(off + place.imageShift + W, imgLo, maxCols);
    clearExcept(card, clearEnd, imgLo * K, imgHi * K);

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

    const Columns16 cc{card, K, W, maxCols, off + place.imageShift, bPassMirror != 0, headMask(*this, h)};
    const int64_t blocks = (W + 7) / 8;
    int64_t xb = 0;
#if defined(__x86_64__)
    const TransposeKernel kernel = transposeKernel();
    if (kernel != TransposeKernel::Portable) {
        // Whole runs of 16 source bytes inside the row and the pass width go through the vector
        // kernel; the card bytes it cannot fill in fours or twos, and the rest of the row, take
        // the portable one.
        const int64_t vecBlocks = std::min(R, W / 8) / 16;
        std::vector<const uint8_t*> lanes(size_t(K) * 8);
        for (int64_t i = 0; i < K * 8; ++i) lanes[size_t(i)] = rows[size_t(i / 8 * 8 + 7 - i % 8)];
        alignas(64) uint64_t w64[128];
        alignas(32) uint32_t w32[128];
        alignas(16) uint16_t w16[128];
        for (int64_t vb = 0; vb < vecBlocks; ++vb) {
            const int64_t xb0 = 16 * vb;
            int64_t k = 0;
            if (kernel == TransposeKernel::Avx512)
                for (; k + 8 <= K; k += 8) {
                    words64Avx512(&lanes[size_t(8 * k)], xb0, w64);
                    cc.putWords(8 * xb0, k, w64);
                }
            if (int(kernel) >= int(TransposeKernel::Avx2))
                for (; k + 4 <= K; k += 4) {
                    words32Avx2(&lanes[size_t(8 * k)], xb0, w32);
                    cc.putWords(8 * xb0, k, w32);
                }
            for (; k + 2 <= K; k += 2) {
                words16Sse2(&lanes[size_t(8 * k)], xb0, w16);
                cc.putWords(8 * xb0, k, w16);
            }
            if (k < K)
                for (int64_t b = xb0; b < xb0 + 16; ++b) block8(cc, rows.data(), R, b, k, K);
        }
        xb = 16 * vecBlocks;
    }
#endif
    for (; xb < blocks; ++xb) block8(cc, rows.data(), R, xb, 0, K);

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

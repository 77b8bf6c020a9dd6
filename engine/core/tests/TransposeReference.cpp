// Reference transpositions, written for clarity: one output bit at a time, straight from the
// definitions of the two card layouts. The randomized tests hold the fast kernels to them.
#include <algorithm>
#include <cstdlib>

#include "core/TransposeInternal.h"
#include "TransposeRig.h"

namespace rastertest {

namespace {

int64_t dots(const CDrvPrint& d, int64_t steps) {
    return steps >= 0 ? int64_t(d.UI_DPIRate(1, unsigned(steps))) : -int64_t(d.UI_DPIRate(1, unsigned(-steps)));
}

bool sourceBit(const CDrvPrint& d, unsigned h, int64_t row, int64_t x) {
    const int64_t R = d.uiPassRowBytes;
    if (row < 0 || row >= int64_t(d.uiPassRows) || x < 0 || x >= 8 * R) return false;
    if (uint64_t(row + 1) * uint64_t(R) > d.uiHeadPassSize) return false;
    return (d.headPassBuf[h][size_t(row * R + x / 8)] >> (7 - x % 8)) & 1;
}

int64_t mod(int64_t a, int64_t b) { return ((a % b) + b) % b; }

const uint8_t* maskOf(const CDrvPrint& d, unsigned h) {
    const int c = d.ColorChannel[h];
    if (d.uiPrintJobKind != 0 || c < 0 || c >= 12) return nullptr;
    const unsigned m = d.uiMaskIndex[c];
    return m < 20 && d.maskBuf[m] ? d.maskBuf[m].get() : nullptr;
}

const uint8_t kSolid[3] = {0xFF, 0xFF, 0xFF};
const uint8_t kDither[3] = {0x24, 0x92, 0x49};

} // namespace

void referenceRowToColumn16(const CDrvPrint& d, unsigned h, std::vector<uint8_t>& out) {
    const int64_t K = d.uiCardRowBytes;
    if (K == 0) return;
    const int64_t size = int64_t(out.size());
    const int64_t W = d.uiPassWidthDots, N = d.NOZZLESPERHEAD, N32 = (N + 31) / 32 * 32;
    const int64_t first = int64_t(d.uiNozzlesPerColor) - N;
    const int64_t barW = d.uiColorBarWidth;

    const int64_t clearCols = int64_t(d.UI_DPIRate(1, d.uiHeadWidth + 100)) + W + barW;
    std::fill(out.begin(), out.begin() + std::min(clearCols * K, size), 0);

    if (K > size || uint64_t(d.uiPassRowBytes) > d.uiHeadPassSize) return; // nothing fits
    const int64_t off = dots(d, d.bPassToLeft ? d.headAlignment.HeadOffsetXL[h] : d.headAlignment.HeadOffsetXR[h]);
    int64_t shift = 0, barOffset = 0, barColumns = 0;
    bool both = false;
    const unsigned pos = d.uiColorBarPosition;
    if (pos == 2) {
        shift = barW / 2;
        barOffset = barW / 2 + d.uiColorBarDistance + W;
        barColumns = barW / 2;
        both = true;
    } else if (pos < 2) {
        const bool before = (pos == 1 && d.bPassToLeft) || (pos == 0 && !d.bPassToLeft);
        shift = before ? barW : 0;
        barOffset = before ? 0 : d.uiColorBarDistance + W;
        barColumns = barW;
    }

    auto rowOf = [&](int64_t k, int64_t j) -> int64_t {
        if (d.uiHeadsTeamMode == 1) {
            const int64_t half = std::max<int64_t>(1, K / 2);
            const int64_t p = k >= half;
            return d.bVertMirror ? p + 2 * (j + 8 * (k % half)) : N32 - 1 - 16 * (k % half) - 2 * j - p;
        }
        return d.bVertMirror ? 8 * k + j : N32 - 1 - 8 * k - j;
    };
    auto store = [&](int64_t col, int64_t k, uint8_t v) {
        if (col >= 0 && (col + 1) * K <= size) out[size_t(col * K + k)] = v;
    };

    const uint8_t* mask = maskOf(d, h);
    for (int64_t x = 0; x < W; ++x) {
        const int64_t col = d.bPassMirror ? off + shift + x : off + shift + W - 1 - x;
        for (int64_t k = 0; k < K; ++k) {
            uint8_t v = 0;
            for (int64_t j = 0; j < 8; ++j) {
                const int64_t row = rowOf(k, j);
                if (row >= 0 && sourceBit(d, h, first + row, x)) v |= uint8_t(0x80 >> j);
            }
            const int64_t mi = (x % 512) * 64 + k;
            if (mask && mi < int64_t(kMaskBytes)) v &= mask[mi];
            store(col, k, v);
        }
    }

    const uint8_t* pat = d.bColorBarDither ? kDither : kSolid;
    const raster::RowBand band = raster::imageBand16(d);
    const int64_t c = d.ColorChannel[h] + 1, colors = d.COLORS;
    const int64_t each = d.uiColorBarEachWidth, mixed = d.uiColorBarMixedWidth;
    if (c < 1 || c > 12) return;
    for (int64_t i = 0; i < barColumns; ++i) {
        bool drawn;
        if (d.bPassToLeft)
            drawn = i < mixed || (i >= (colors - c) * each + mixed && i < (colors - c + 1) * each + mixed);
        else
            drawn = (i >= (c - 1) * each && i < c * each) || (i >= colors * each && i < colors * each + mixed);
        if (!drawn) continue;
        for (int copy = 0; copy < (both ? 2 : 1); ++copy) {
            const int64_t col = copy == 0 ? i + off + barOffset : i + off;
            for (int64_t k = 0; k < K; ++k) {
                uint8_t v = pat[mod(k - i % 3, 3)];
                if (d.colorBar.bSameHeightWithImage)
                    for (int64_t j = 0; j < 8; ++j)
                        if (!band.contains(first + rowOf(k, j) - int64_t(d.NOZZLESOFFSET))) v &= uint8_t(~(0x80 >> j));
                store(col, k, v);
            }
        }
    }
}

void referenceRowToColumn8(const CDrvPrint& d, unsigned h, std::vector<uint8_t>& out) {
    const int64_t K = d.uiCardRowBytes, K8 = 8 * K;
    if (K == 0) return;
    const int64_t size = int64_t(out.size());
    const int64_t R = d.uiPassRowBytes, W = d.uiPassWidthDots;
    const int64_t N = d.NOZZLESPERHEAD, O = d.NOZZLESOFFSET;
    const int64_t first = int64_t(d.uiNozzlesPerColor) - N;
    const int64_t barW = d.uiColorBarWidth;
    const bool toLeft = d.bPassToLeft != 0;
    const int64_t G = d.bGradientOn ? (toLeft ? d.GRADIENTOFFSET : d.GRADIENTOFFSETR) : 0;

    const int64_t clearBytes =
        (int64_t(d.UI_DPIRate(1, unsigned(std::llabs(G) + 100 + d.uiHeadWidth))) + W + barW) * K + 100 * K;
    std::fill(out.begin(), out.begin() + std::min(clearBytes, size), 0);

    const raster::Head8 g = raster::head8(d, h); // blank heads and pattern shifts of alignment prints
    if (g.blank || K8 > size || uint64_t(R) > d.uiHeadPassSize) return; // nothing fits
    const unsigned pos = d.uiColorBarPosition;
    int64_t allowance = 0;
    if (pos < 2 && pos == unsigned(toLeft)) allowance = (barW + 7) / 8;
    if (pos == 2) allowance = (barW + 7) / 16;
    const int64_t XL = d.headAlignment.HeadOffsetXL[h], XR = d.headAlignment.HeadOffsetXR[h];
    const int64_t off = dots(d, toLeft ? XL : XR);

    auto place = [&](int64_t r) { // byte of row r in its group
        const int64_t p = d.uiHeadsTeamMode == 1 ? (r % 2) * (K8 / 2) + r / 2 : r;
        return p;
    };
    auto store = [&](int64_t idx, uint8_t v) {
        if (idx >= 0 && idx < size) out[size_t(idx)] = v;
    };

    const uint8_t* mask = maskOf(d, h);
    for (int64_t r = 0; r < K8; ++r) {
        int64_t dx = off;
        if (G != 0) {
            const int64_t rp = d.bVertMirror ? r : K8 - 1 - r;
            dx = toLeft ? dots(d, XL - G / 2 + (G * rp) / K8) : dots(d, XR + G / 2 - (G * rp) / K8 - 1);
        }
        dx += g.alignShift;
        const int64_t g0 = dx >= 0 ? dx / 8 : -((-dx + 7) / 8);
        const int64_t s = dx - 8 * g0;
        const bool nozzle = r >= O && r < O + N;
        const int64_t inGroup = d.bVertMirror ? place(r) : K8 - 1 - place(r);
        for (int64_t b = 0; b <= R; ++b) {
            uint8_t v = 0;
            for (int64_t t = 0; t < 8 && nozzle; ++t) {
                const int64_t xp = 8 * b + t - s; // dot of the (mirrored) row that lands here
                if (xp < 0 || xp >= 8 * R) continue;
                const int64_t x = d.bPassMirror ? xp : 8 * R - 1 - xp;
                if (sourceBit(d, h, first + r, x)) v |= uint8_t(0x80 >> t);
            }
            if (mask) v &= mask[(b * r) % 32768];
            store((g0 + allowance + b) * K8 + inGroup, v);
        }
    }

    const int64_t each = d.uiColorBarEachWidth, colors = d.COLORS, c = d.ColorChannel[h] + 1;
    if (pos > 2 || each <= 0 || c < 1 || c > colors || c > 12) return;
    const int64_t slot = toLeft ? colors - c : c - 1;
    const int64_t groups = (each + 7) / 8 + 1;
    const bool before = pos == 2 || pos == unsigned(toLeft);
    const uint8_t* pat = d.bColorBarDither ? kDither : kSolid;
    const raster::RowBand band = raster::imageBand8(d, h);
    for (int copy = 0; copy < (pos == 2 ? 2 : 1); ++copy) {
        int64_t x0 = before ? off - 8 : int64_t(d.uiColorBarDistance) + 8 * R + off;
        if (copy == 1) x0 = off + barW / 2 + int64_t(d.uiColorBarDistance) + 8 * R;
        const int64_t sh = mod(x0, 8), gx = (x0 - sh) / 8;
        for (int64_t r = O; r < O + N && r < K8; ++r) {
            if (d.colorBar.bSameHeightWithImage) {
                // find the image row fired by the same nozzle byte
                int64_t ir = -1;
                for (int64_t q = 0; q < K8; ++q) {
                    const int64_t at = d.bVertMirror ? place(q) : K8 - 1 - place(q);
                    if (at == place(r)) ir = q;
                }
                if (!band.contains(first + ir - O)) continue;
            }
            const uint8_t p = pat[r % 3];
            for (int64_t b = 0; b < groups; ++b) {
                uint8_t v = p;
                if (b == 0) v = uint8_t(p >> sh);
                if (b == groups - 1) v = sh ? uint8_t(p & (0xFF << (8 - sh))) : 0;
                const int64_t idx = (gx + slot * groups + b) * K8 + place(r);
                if (idx >= 0 && idx < size) out[size_t(idx)] |= v;
            }
        }
    }
}

} // namespace rastertest

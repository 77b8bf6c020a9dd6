// Reference transpositions, written for clarity: one output bit at a time, straight from the
// definitions of the two card layouts. The randomized tests hold the fast kernels to them. The
// reference has its own geometry (unit conversion, image band of the colour bars, alignment
// print shifts): nothing here calls the engine's helpers, so a fault in those shows up.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "TransposeRig.h"

namespace rastertest {

namespace {

// X steps to job dots: steps x fDPIRate, truncated toward zero (a broken rate counts as 1).
int64_t dots(const CDrvPrint& d, int64_t steps) {
    const double rate = std::isfinite(d.fDPIRate) && d.fDPIRate > 0 ? double(d.fDPIRate) : 1.0;
    const double v = std::min(double(std::llabs(steps)), double(UINT32_MAX)) * rate;
    const int64_t magnitude = v >= double(UINT32_MAX) ? int64_t(UINT32_MAX) : int64_t(v);
    return steps >= 0 ? magnitude : -magnitude;
}

// Source rows (counted from NOZZLESOFFSET) that hold the image in this pass, for bars as high as
// the image: the image enters from the far rows in the first uiPassCount passes, `advance` rows
// per pass, and leaves the same way in the last ones. The 8-line layout counts the head's own
// vertical offset: a lower head meets the image later and lets it go later.
struct Band {
    int64_t lo = INT64_MIN, hi = INT64_MAX;
    bool contains(int64_t r) const { return r >= lo && r < hi; }
};

Band imageBand(const CDrvPrint& d, int64_t advance, int64_t headY, int64_t maxY) {
    Band b;
    if (!d.colorBar.bSameHeightWithImage) return b;
    const int64_t passes = d.uiPassCount, pass = d.uiStepSendCurrent.load(), steps = d.uiStepSendCount.load();
    const int64_t feather = d.uiFeatherMode ? 2 * int64_t(d.uiFeatherSize) : 0;
    // Rows the image has not reached yet (a lower head meets it headY rows later).
    b.lo = std::max<int64_t>(0, (passes - 1 - pass) * advance + headY);
    // A pass holds passes x advance rows (and the feathered rows beyond); rows past the image's
    // last line, (steps - pass) x advance, hold nothing (less the lowest head's head start).
    b.hi = std::min(passes * advance + feather, (steps - pass) * advance - (maxY - headY));
    return b;
}

// Head-alignment prints (job kind 2, mode 3): the heads of one base vertical offset print in a
// pass, side by side at a pattern pitch.
struct AlignHead {
    bool blank = false;
    int64_t shift = 0;
};

AlignHead alignHead(const CDrvPrint& d, unsigned h) {
    AlignHead a;
    if (d.uiPrintJobKind != 2 || d.uiHeadsAlignmentMode != 3) return a;
    a.blank = d.HeadOffsetY[h] != d.iAlignPassOffsetY;
    const std::string& name = d.TestPattern[1];
    const bool fine = name.size() >= 7 && name.substr(name.size() - 7) == "360.prn";
    const int64_t pitch = fine ? 1040 : 520;
    const int64_t perHead = d.LINESPERHEAD ? d.LINESPERHEAD : 1;
    const int64_t q = int64_t(h) / perHead, Q = int64_t(d.HEADS) / perHead;
    if (!d.bPassToLeft && q > 1) a.shift = (q - 1) * pitch;
    if (d.bPassToLeft && q > 0 && q < Q - 1) a.shift = (Q - q - 1) * pitch;
    return a;
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

    const int64_t clearCols = dots(d, int64_t(d.uiHeadWidth) + 100) + W + barW;
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
    const Band band = imageBand(d, d.uiInterlace ? d.uiLinesPerStep / d.uiInterlace : 0, 0, 0);
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

    const int64_t clearBytes = (dots(d, std::llabs(G) + 100 + d.uiHeadWidth) + W + barW) * K + 100 * K;
    std::fill(out.begin(), out.begin() + std::min(clearBytes, size), 0);

    const AlignHead g = alignHead(d, h);
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
        dx += g.shift;
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
    const Band band = imageBand(d, d.uiNozzlesPerPass, h < kMaxHeads ? d.headAlignment.HeadOffsetY[h] : 0,
                                d.headAlignment.MAXHEADOFFSETY);
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

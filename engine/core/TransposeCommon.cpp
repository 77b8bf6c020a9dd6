// Pass geometry shared by the two card layouts.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/TransposeInternal.h"

namespace raster {

namespace {
TransposeKernel widest() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) return TransposeKernel::Avx512;
    if (__builtin_cpu_supports("avx2")) return TransposeKernel::Avx2;
    return TransposeKernel::Sse2; // every x86-64 processor has SSE2
#else
    return TransposeKernel::Portable;
#endif
}
std::atomic<int> gKernel{-1};
} // namespace

TransposeKernel setTransposeKernel(TransposeKernel k) {
    const TransposeKernel top = widest();
    if (k == TransposeKernel::Best || int(k) > int(top)) k = top;
    gKernel.store(int(k), std::memory_order_relaxed);
    return k;
}

TransposeKernel transposeKernel() {
    const int k = gKernel.load(std::memory_order_relaxed);
    return k >= 0 ? TransposeKernel(k) : setTransposeKernel(TransposeKernel::Best);
}

void clearExcept(uint8_t* card, int64_t end, int64_t keepLo, int64_t keepHi) {
    keepLo = std::clamp<int64_t>(keepLo, 0, end);
    keepHi = std::clamp<int64_t>(keepHi, keepLo, end);
    if (keepLo > 0) std::memset(card, 0, size_t(keepLo));
    if (keepHi < end) std::memset(card + keepHi, 0, size_t(end - keepHi));
}

const char* kernelName(TransposeKernel k) {
    switch (k) {
    case TransposeKernel::Portable: return "portable";
    case TransposeKernel::Sse2: return "sse2";
    case TransposeKernel::Avx2: return "avx2";
    case TransposeKernel::Avx512: return "avx512";
    default: return "best";
    }
}

namespace {
const uint8_t kBarSolid[3] = {0xFF, 0xFF, 0xFF};
const uint8_t kBarDither[3] = {0x24, 0x92, 0x49};

unsigned clampSteps(int64_t v) { return v > int64_t(UINT32_MAX) ? UINT32_MAX : unsigned(v); }
} // namespace

int64_t stepsToDots(const CDrvPrint& d, int64_t steps) {
    if (steps >= 0) return d.UI_DPIRate(1, clampSteps(steps));
    return -int64_t(d.UI_DPIRate(1, clampSteps(-steps)));
}

unsigned headCount(const CDrvPrint& d) {
    size_t n = std::min<size_t>({d.HEADS, kMaxHeads, d.uiHeadsAllocated, d.headPassBuf.size(), d.headCardBuf.size()});
    return unsigned(n);
}

bool headReady(const CDrvPrint& d, unsigned h) {
    return h < headCount(d) && d.headPassBuf[h] && d.headCardBuf[h] && d.uiHeadCardSize > 0;
}

int colourOf(const CDrvPrint& d, unsigned h) {
    if (h >= kMaxHeads) return 0;
    const int c = d.ColorChannel[h];
    return (c >= 0 && c < int(kMaxColors)) ? c + 1 : 0;
}

const uint8_t* headMask(const CDrvPrint& d, unsigned h) {
    if (d.uiPrintJobKind != 0) return nullptr;
    const int c = colourOf(d, h);
    if (c == 0) return nullptr;
    const unsigned m = d.uiMaskIndex[c - 1];
    if (m >= kMaskCount || !d.maskBuf[m]) return nullptr;
    return d.maskBuf[m].get();
}

const uint8_t* barPatternBytes(const CDrvPrint& d) { return d.bColorBarDither ? kBarDither : kBarSolid; }

namespace {
struct BandInputs {
    int64_t P, Q, p, T, f;
};
BandInputs bandInputs(const CDrvPrint& d, int64_t Q) {
    return {int64_t(d.uiPassCount), Q, int64_t(d.uiStepSendCurrent.load()), int64_t(d.uiStepSendCount.load()),
            d.uiFeatherMode ? 2 * int64_t(d.uiFeatherSize) : 0};
}
} // namespace

RowBand imageBand16(const CDrvPrint& d) {
    RowBand b;
    if (!d.colorBar.bSameHeightWithImage) return b;
    // The image enters the band from its far rows during the first passes and leaves it from
    // there during the last ones, one media advance per pass.
    const auto in = bandInputs(d, d.uiInterlace ? d.uiLinesPerStep / d.uiInterlace : 0);
    b.lo = 0;
    b.hi = in.P * in.Q + in.f;
    if (in.p < in.P) b.lo = (in.P - 1 - in.p) * in.Q;
    if (in.p + in.P >= in.T) b.hi = std::min(b.hi, (in.T - in.p) * in.Q);
    return b;
}

RowBand imageBand8(const CDrvPrint& d, unsigned h) {
    RowBand b;
    if (!d.colorBar.bSameHeightWithImage) return b;
    // As above, with the head's vertical offset: a head set lower sees the image later and lets
    // it go later; the job's steps are counted for the lowest head.
    const auto in = bandInputs(d, d.uiNozzlesPerPass);
    const int64_t v = h < kMaxHeads ? d.headAlignment.HeadOffsetY[h] : 0;
    const int64_t M = d.headAlignment.MAXHEADOFFSETY;
    b.lo = std::max<int64_t>(0, (in.P - 1 - in.p) * in.Q + v);
    b.hi = std::min(in.P * in.Q + in.f, (in.T - in.p) * in.Q - (M - v));
    return b;
}

Placement16 placement16(const CDrvPrint& d) {
    Placement16 p;
    const int64_t W = d.uiPassWidthDots, barW = d.uiColorBarWidth, dist = d.uiColorBarDistance;
    switch (d.uiColorBarPosition) {
    case 0:
    case 1: {
        // Position 1 puts the bars before the image in right-to-left passes, position 0 in
        // left-to-right passes; the other direction has them after the image.
        const bool before = d.uiColorBarPosition == 1 ? d.bPassToLeft != 0 : d.bPassToLeft == 0;
        p.imageShift = before ? barW : 0;
        p.barOffset = before ? 0 : dist + W;
        p.barColumns = barW;
        break;
    }
    case 2:
        p.imageShift = barW / 2;
        p.barOffset = barW / 2 + dist + W;
        p.barColumns = barW / 2;
        p.secondCopy = true;
        break;
    default: break; // no such position: no bars
    }
    return p;
}

bool barColumnDrawn16(const CDrvPrint& d, int64_t c, int64_t i) {
    if (c <= 0) return false;
    const int64_t colors = d.COLORS, each = d.uiColorBarEachWidth, mixed = d.uiColorBarMixedWidth;
    if (d.bPassToLeft) {
        const int64_t a = (colors - c) * each + mixed;
        return i < mixed || (i >= a && i < a + each);
    }
    return (i >= (c - 1) * each && i < c * each) || (i >= colors * each && i < colors * each + mixed);
}

int64_t sourceRow16(const CDrvPrint& d, int64_t k, int64_t j) {
    const int64_t n32 = (int64_t(d.NOZZLESPERHEAD) + 31) / 32 * 32;
    if (d.uiHeadsTeamMode == 1) {
        // Two interleaved nozzle rows: the first half of the bytes holds the even rows.
        const int64_t half = std::max<int64_t>(1, d.uiCardRowBytes / 2);
        const int64_t par = k >= half ? 1 : 0;
        const int64_t km = k % half;
        return d.bVertMirror ? par + 2 * (j + 8 * km) : n32 - 1 - 16 * km - 2 * j - par;
    }
    return d.bVertMirror ? 8 * k + j : n32 - 1 - 8 * k - j;
}

uint64_t clearColumns16(const CDrvPrint& d) {
    const unsigned hw = d.uiHeadWidth > UINT32_MAX - 100 ? UINT32_MAX : d.uiHeadWidth + 100;
    return uint64_t(d.UI_DPIRate(1, hw)) + d.uiPassWidthDots + d.uiColorBarWidth;
}

Head8 head8(const CDrvPrint& d, unsigned h) {
    Head8 g;
    g.gradient = d.bGradientOn ? (d.bPassToLeft ? d.GRADIENTOFFSET : d.GRADIENTOFFSETR) : 0;
    const unsigned pos = d.uiColorBarPosition;
    const int64_t barW = d.uiColorBarWidth;
    if (pos < 2) g.allowance = pos == unsigned(d.bPassToLeft ? 1 : 0) ? (barW + 7) / 8 : 0;
    else if (pos == 2) g.allowance = (barW + 7) / 16;
    g.offset = stepsToDots(d, d.bPassToLeft ? d.headAlignment.HeadOffsetXL[h] : d.headAlignment.HeadOffsetXR[h]);

    if (d.uiPrintJobKind == 2 && d.uiHeadsAlignmentMode == 3) {
        // Each alignment pass prints the heads of one vertical offset, side by side at a pitch.
        if (d.HeadOffsetY[h] != d.iAlignPassOffsetY) g.blank = true;
        const std::string& name = d.TestPattern[1];
        const std::string tail = "360.prn";
        const bool hiRes = name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
        const int64_t pitch = hiRes ? 1040 : 520;
        const int64_t lph = d.LINESPERHEAD ? d.LINESPERHEAD : 1;
        const int64_t q = h / lph, Q = d.HEADS / lph;
        if (!d.bPassToLeft) {
            if (q > 1) g.alignShift = (q - 1) * pitch;
        } else if (q > 0 && q < Q - 1) {
            g.alignShift = (Q - q - 1) * pitch;
        }
    }
    return g;
}

int64_t rowOffset8(const CDrvPrint& d, unsigned h, const Head8& g, int64_t K8, int64_t r) {
    if (g.gradient == 0 || K8 <= 0) return g.offset + g.alignShift;
    const int64_t rp = d.bVertMirror ? r : K8 - 1 - r;
    const int64_t G = g.gradient;
    int64_t steps;
    if (d.bPassToLeft) steps = int64_t(d.headAlignment.HeadOffsetXL[h]) - G / 2 + (G * rp) / K8;
    else steps = int64_t(d.headAlignment.HeadOffsetXR[h]) + G / 2 - (G * rp) / K8 - 1;
    return stepsToDots(d, steps) + g.alignShift;
}

uint64_t clearBytes8(const CDrvPrint& d) {
    const int64_t G = d.bGradientOn ? (d.bPassToLeft ? d.GRADIENTOFFSET : d.GRADIENTOFFSETR) : 0;
    const uint64_t steps = uint64_t(std::llabs(G)) + 100 + d.uiHeadWidth;
    const uint64_t cols = uint64_t(d.UI_DPIRate(1, steps > UINT32_MAX ? UINT32_MAX : unsigned(steps))) +
                          d.uiPassWidthDots + d.uiColorBarWidth;
    return (cols + 100) * d.uiCardRowBytes;
}

} // namespace raster

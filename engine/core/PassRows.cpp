// The head rows of a pass: for every head, the nozzle rows it fires, cut out of its colour's ring
// with the job's interleave and the head's vertical offset.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/DrvPrint.h"

namespace {

int64_t floorMod(int64_t a, int64_t b) {
    const int64_t m = a % b;
    return m < 0 ? m + b : m;
}

} // namespace

void CDrvPrint::PRNPassRowGeometry(unsigned& rows, unsigned& limit, unsigned& offset) const {
    const unsigned N = NOZZLESPERHEAD, P = uiPassCount, Q = uiNozzlesPerPass;
    const unsigned H = uiHeadsPerColor ? uiHeadsPerColor : 1;
    offset = NOZZLESOFFSET;
    // The offset may not push the head into one more 128-nozzle block of the card.
    if ((N + offset + 127) / 128 != (N + 127) / 128) offset = 0;
    rows = (P + 1) * Q + offset;
    limit = Q * P / H + offset;
}

int64_t CDrvPrint::PRNHeadOffsetRows(unsigned h) const {
    if (h >= kMaxHeads) return 0;
    if (uiPrintJobKind == 1) return uiHeadsPerColorMode == 1 ? 0 : HeadOffsetY[h];
    if (uiPrintJobKind == 2 && uiHeadsAlignmentMode == 3) return int64_t(headAlignment.HeadOffsetY[h]) - HeadOffsetY[h];
    const double y = headAlignment.HeadOffsetY[h];
    const double uu = double(uiStepOffsetSize) + 1.0;
    const double o = headAlignment.StepOffset[std::min(uiPassCode, 7u)];
    const double den = o + 4.0 * uiNozzlesPerPass * uu;
    return den != 0 ? int64_t(std::trunc(4.0 * y * uiNozzlesPerPass * uu / den + 0.5)) : 0;
}

void CDrvPrint::PRNReadToSend() {
    const unsigned N = NOZZLESPERHEAD, P = uiPassCount, Q = uiNozzlesPerPass;
    const unsigned f = uiFeatherMode ? 2 * uiFeatherSize : 0;
    unsigned R = 0, U = 0, O = 0;
    PRNPassRowGeometry(R, U, O);
    if (O != NOZZLESOFFSET) NOZZLESOFFSET = 0; // the stored setting cannot be used with this head

    const unsigned bpl = ripHead.uiBytesPerLine;
    uiPassRowBytes = bpl;
    uiPassWidthDots = bEightLineMode ? 8 * bpl : ripHead.uiWidth;
    uiPassRows = f + R;
    // A head fires no more rows than it has nozzles: with more heads per colour the feather rows
    // on top of a head's share of the band would otherwise ask for a second 128-row block per
    // column, which the card does not have for the head.
    uiCardRowBytes = 16 * ((std::min(f + U, N + O) + 127) / 128);

    const unsigned p = uiStepSendCurrent;
    const unsigned I = uiInterlace ? uiInterlace : 1;
    const unsigned u = (LINESPERHEAD && COLORS) ? std::max(1u, HEADS / LINESPERHEAD / COLORS) : 1;

    // Sub-line of this pass (per head in mode 3) and the step the feed before it adds.
    auto subLine = [&](unsigned h, int32_t& step) -> int64_t {
        switch (uiDPIColorMode) {
        case 0: {
            const unsigned s = p % I;
            step = int32_t(bLinePairSwitch ? LINESPERHEAD : 2) - (s == 0 ? int32_t(2 * I) : 0);
            return s;
        }
        case 1: {
            static constexpr int kS[8] = {0, 3, 5, 2, 6, 1, 4, 7};
            static constexpr int kStep[8] = {-7, 3, 2, -3, 4, -5, 3, 3};
            const unsigned q = std::max(1u, I / u);
            const unsigned m = (p % q) % 8;
            step = kStep[m] * int32_t(u);
            return int64_t(kS[m]) * u;
        }
        case 2: {
            const unsigned s = p % I;
            step = s == 0 ? 1 - int32_t(I) : 1;
            return s;
        }
        default: {
            unsigned i = h < kMaxHeads ? uiHeadIndexInColor[h] : 0;
            const unsigned lph = LINESPERHEAD ? LINESPERHEAD : 1;
            if (uiNozzleShiftMode != 0) {
                if (uiPrintJobKind == 1 && uiHeadsPerColorMode == 0) {
                    step = 0;
                    return i % lph;
                }
                if (uiNozzleShiftMode == 2) i %= u;
                const unsigned q = I > 1 ? std::max(1u, I / u) : 1;
                step = int32_t(u);
                return int64_t(p % q) * u + i;
            }
            if (uiPrintJobKind == 1) {
                step = 0;
                return i % u;
            }
            if (I < u) {
                step = 0;
                return (i / lph + (i % lph) * lph) % I;
            }
            const int ch = h < kMaxHeads ? ColorChannel[h] : 0;
            if (ch < 8) {
                const unsigned t = (p % std::max(1u, I / u)) * u;
                step = t == 0 ? int32_t(u) - int32_t(I) : int32_t(u);
                return t + i % u;
            }
            step = 0;
            return i + 2 * (p % 2);
        }
        }
    };
    auto lineIndex = [&](int64_t r, int64_t s) -> int64_t {
        if (uiDPIColorMode == 0) return (r & 1) + 2 * ((r >> 1) * I + s);
        return int64_t(I) * r + s;
    };
    const uint64_t passBytes = uint64_t(bpl) * uiPassRows;
    const unsigned heads = std::min({HEADS, uiHeadsAllocated, unsigned(kMaxHeads)});
    const int64_t ringLines = bpl ? int64_t(uiRingBytes / bpl) : 0;
    const int64_t bandStart = bpl ? int64_t(uiRingWritePos / bpl) : 0;
    const uint64_t held = bpl ? uiHeadPassSize / bpl : 0;
    const uint64_t bandEnd = uint64_t(O) + uint64_t(Q) * P + f;
    // The printed band is Q x P (+ f) rows of the colour, counted from the head set furthest
    // upstream (the least vertical offset). A head set further down (the lower head of a stacked
    // pair, whose offset is a head's length) reaches the same band that much further into its own
    // rows: cutting its rows at the band's length would leave a gap between the stacked heads
    // whenever Q x P is short of the colour's nozzles (8 and 16 passes on 2 x 126 nozzles), and
    // the lines in that gap would never be printed. The feathering finds the band's zones in the
    // head's rows by the same shift.
    int64_t vMin[kMaxColors];
    std::fill(std::begin(vMin), std::end(vMin), INT64_MAX);
    for (unsigned h = 0; h < heads; ++h) {
        const int ch = ColorChannel[h];
        if (ch >= 0 && unsigned(ch) < kMaxColors) vMin[ch] = std::min(vMin[ch], PRNHeadOffsetRows(h));
    }
    for (unsigned h = 0; h < kMaxHeads; ++h) {
        const int ch = h < heads ? ColorChannel[h] : -1;
        uiHeadBandShift[h] =
            ch >= 0 && unsigned(ch) < kMaxColors ? unsigned(std::max<int64_t>(0, PRNHeadOffsetRows(h) - vMin[ch])) : 0;
    }
    int32_t step = 0;
    for (unsigned h = 0; h < heads; ++h) {
        uint8_t* buf = headPassBuf[h].get();
        if (!buf) continue;
        std::memset(buf, 0, std::min<uint64_t>(passBytes, uiHeadPassSize));
        const int64_t s = subLine(h, step);
        if (h == 0) uiSubLine = unsigned(s);
        if (!((dwEnableHeads >> (h & 31)) & 1u) || h >= 32) continue;
        const int ch = ColorChannel[h];
        if (ch < 0 || unsigned(ch) >= std::min(COLORS, uiColorsAllocated) || !colorRing[unsigned(ch)] || ringLines == 0)
            continue;
        const uint8_t* ring = colorRing[unsigned(ch)].get();
        const int64_t v = PRNHeadOffsetRows(h);
        const int64_t base = bandStart - (int64_t(P + 1) * Q + v) * int64_t(I);
        const uint64_t below = uiHeadBandShift[h];
        const uint64_t last =
            std::min<uint64_t>({uint64_t(R) - O, bandEnd > O ? bandEnd - O + below : 0, held > O ? held - O : 0});
        for (uint64_t r = 0; r < last; ++r) {
            const int64_t line = floorMod(base + lineIndex(int64_t(r), s), ringLines);
            std::memcpy(buf + (O + r) * bpl, ring + uint64_t(line) * bpl, bpl);
        }
    }
    uiNextSubLineStep = step;

    IMGGetBlankPosition();
    if (uiFeatherMode == 1) PRNEdgeFeather();
    else if (uiFeatherMode == 2) PRNEdgeFeatherWave();
}

#pragma once
// Pieces of the pass geometry shared by the two card layouts and their debug bitmaps.
#include <cstdint>

#include "core/DrvPrint.h"

namespace raster {

// The instruction sets the transposition kernels may use, narrowest first. Best picks the widest
// the processor has; every kernel gives the same bytes. (Avx512: AVX-512 F and BW.)
enum class TransposeKernel { Portable = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3, Best = 4 };
// The kernel in use.
TransposeKernel transposeKernel();
// Chooses a kernel (tests, benchmarks) and returns the one now in use: a kernel the processor
// cannot run gives the next narrower one.
TransposeKernel setTransposeKernel(TransposeKernel k);
const char* kernelName(TransposeKernel k);

inline int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
}
inline int64_t floorMod(int64_t a, int64_t b) { return a - floorDiv(a, b) * b; }

// Signed X steps to job dots: UI_DPIRate(1, .) on the magnitude, sign kept.
int64_t stepsToDots(const CDrvPrint& d, int64_t steps);

// Heads that can be transposed: configured, allocated and with both buffers.
unsigned headCount(const CDrvPrint& d);
bool headReady(const CDrvPrint& d, unsigned h);

// The head's colour channel, 1-based; 0 when the setting is outside the 12 channels.
int colourOf(const CDrvPrint& d, unsigned h);

// The dot mask of the head's colour, or nullptr when its dots are not thinned.
const uint8_t* headMask(const CDrvPrint& d, unsigned h);

// The three bar pattern bytes (solid or dithered).
const uint8_t* barPatternBytes(const CDrvPrint& d);

// Rows of the pass buffer, counted from NOZZLESOFFSET, that hold the image in this pass; used to
// keep the colour bars as high as the image. Without bSameHeightWithImage the range is unbounded.
struct RowBand {
    int64_t lo = INT64_MIN;
    int64_t hi = INT64_MAX;
    bool contains(int64_t r) const { return r >= lo && r < hi; }
};
RowBand imageBand16(const CDrvPrint& d);
RowBand imageBand8(const CDrvPrint& d, unsigned h);

// Clears bytes [0, end) of a card buffer except [keepLo, keepHi), which the transposition is
// about to overwrite whole.
void clearExcept(uint8_t* card, int64_t end, int64_t keepLo, int64_t keepHi);

// ---- 16-byte layout
struct Placement16 {
    int64_t imageShift = 0; // columns the image is moved right to make room for bars before it
    int64_t barOffset = 0;  // first bar column relative to the head offset
    int64_t barColumns = 0; // bar columns to consider (0: no bars)
    bool secondCopy = false; // bars on both sides: also drawn from the head offset itself
};
Placement16 placement16(const CDrvPrint& d);
// Whether the head of 1-based colour c draws bar column i in this pass.
bool barColumnDrawn16(const CDrvPrint& d, int64_t c, int64_t i);
// The source row (relative to the first source row) behind bit 7 - j of card byte k.
int64_t sourceRow16(const CDrvPrint& d, int64_t k, int64_t j);
// Columns cleared before the pass.
uint64_t clearColumns16(const CDrvPrint& d);

// ---- 8-line layout
struct Head8 {
    bool blank = false;     // head-alignment print: this head has nothing to print in the pass
    int64_t allowance = 0;  // groups the image is moved right to make room for bars before it
    int64_t offset = 0;     // the head's X offset (uiHeadXOffset)
    int64_t alignShift = 0; // head-alignment print: pattern pitch shift
    int64_t gradient = 0;   // gradient of this pass direction, 0 when off
};
Head8 head8(const CDrvPrint& d, unsigned h);
// X offset in dots of nozzle row r (runs across the rows when a gradient is set).
int64_t rowOffset8(const CDrvPrint& d, unsigned h, const Head8& g, int64_t K8, int64_t r);
// Byte of nozzle row r within its group, before vertical mirroring.
inline int64_t rowPos8(unsigned teamMode, int64_t K8, int64_t r) {
    return teamMode == 1 ? (r % 2) * (K8 / 2) + r / 2 : r;
}
// The nozzle row whose byte (before vertical mirroring) is p; inverse of rowPos8.
inline int64_t rowAtPos8(unsigned teamMode, int64_t K8, int64_t p) {
    if (teamMode != 1) return p;
    return p < K8 / 2 ? 2 * p : 2 * (p - K8 / 2) + 1;
}
uint64_t clearBytes8(const CDrvPrint& d);

} // namespace raster

// Transposition of a pass into the card's 8-line layout: a group of 8 adjacent dots holds one
// byte per nozzle row, so whole bytes of the pass rows move, shifted by the head's offset.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/TransposeInternal.h"

namespace {

uint8_t reversed(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}

struct ReverseTable {
    uint8_t v[256];
    ReverseTable() {
        for (unsigned i = 0; i < 256; ++i) v[i] = reversed(uint8_t(i));
    }
};
const ReverseTable kReverse;

constexpr int64_t kRowBlock = 64; // nozzle rows handled together: one cache line of a group

} // namespace

void CDrvPrint::IMGRowToColumn8Lines() {
    const unsigned heads = raster::headCount(*this);
    for (unsigned h = 0; h < heads; ++h) IMGRowToColumn8LinesHead(h);
}

void CDrvPrint::IMGRowToColumn8LinesHead(unsigned h) {
    using namespace raster;
    if (!headReady(*this, h)) return;
    const int64_t K8 = 8 * int64_t(uiCardRowBytes);
    if (K8 == 0) return;
    uint8_t* card = headCardBuf[h].get();
    const int64_t cardSize = int64_t(uiHeadCardSize);
    const uint8_t* pass = headPassBuf[h].get();
    const int64_t R = uiPassRowBytes;
    const int64_t N = NOZZLESPERHEAD, O = NOZZLESOFFSET;
    const int64_t first = int64_t(uiNozzlesPerColor) - N;
    const int64_t rowsHeld = R > 0 ? std::min<int64_t>(uiPassRows, int64_t(uiHeadPassSize / uint64_t(R))) : 0;
    const unsigned team = uiHeadsTeamMode == 1 ? 1 : 0;
    const bool vm = bVertMirror != 0;

    std::memset(card, 0, size_t(std::min<uint64_t>(clearBytes8(*this), uiHeadCardSize)));
    const Head8 g = head8(*this, h);
    uiHeadXOffset[h] = int32_t(std::clamp<int64_t>(g.offset, INT32_MIN, INT32_MAX));
    // A row longer than the pass buffer or a group longer than the card buffer: nothing fits.
    if (g.blank || uint64_t(R) > uiHeadPassSize || uint64_t(K8) > uiHeadCardSize) return;

    const uint8_t* mask = headMask(*this, h);
    // Each row becomes a stream of R bytes framed by zeros, read left to right; a pass that is
    // not mirrored reads its rows from the right end with the bits of every byte reversed. Byte b
    // of the output joins stream bytes b - 1 and b and shifts them right by the sub-byte offset,
    // so R + 1 groups take every dot, the last one the spill of the row's last byte.
    const int64_t stride = R + 2;
    std::vector<uint8_t> streams(size_t(kRowBlock * stride));
    int64_t at[kRowBlock];    // card index of group 0 of the row
    unsigned sh[kRowBlock];   // sub-byte shift of the row
    for (int64_t r0 = 0; r0 < K8; r0 += kRowBlock) {
        const int64_t nr = std::min(kRowBlock, K8 - r0);
        int64_t lo = INT64_MAX, hi = INT64_MIN;
        for (int64_t i = 0; i < nr; ++i) {
            const int64_t r = r0 + i;
            uint8_t* st = &streams[size_t(i * stride)];
            const int64_t src = first + r;
            if (r >= O && r < O + N && src >= 0 && src < rowsHeld) {
                const uint8_t* row = pass + src * R;
                st[0] = 0;
                if (bPassMirror) std::memcpy(st + 1, row, size_t(R));
                else
                    for (int64_t b = 0; b < R; ++b) st[1 + b] = kReverse.v[row[R - 1 - b]];
                st[R + 1] = 0;
            } else {
                std::memset(st, 0, size_t(stride)); // rows without nozzles are stored as zeros
            }
            const int64_t d = rowOffset8(*this, h, g, K8, r);
            const int64_t g0 = floorDiv(d, 8);
            sh[i] = unsigned(d - 8 * g0);
            const int64_t p = rowPos8(team, K8, r);
            at[i] = (g0 + g.allowance) * K8 + (vm ? p : K8 - 1 - p);
            lo = std::min(lo, at[i]);
            hi = std::max(hi, at[i]);
        }
        for (int64_t b = 0; b <= R; ++b) {
            const int64_t step = b * K8;
            const bool inside = lo + step >= 0 && hi + step < cardSize;
            for (int64_t i = 0; i < nr; ++i) {
                const uint8_t* st = &streams[size_t(i * stride)];
                uint8_t v = uint8_t(((unsigned(st[b]) << 8) | st[b + 1]) >> sh[i]);
                if (mask) v &= mask[(b * (r0 + i)) & 32767];
                const int64_t idx = at[i] + step;
                if (inside || (idx >= 0 && idx < cardSize)) card[idx] = v;
            }
        }
    }

    // Colour bars: one slot per colour beside the image, one pattern byte per nozzle row.
    const unsigned pos = uiColorBarPosition;
    const int64_t each = uiColorBarEachWidth;
    const int64_t c = colourOf(*this, h);
    const int64_t colors = COLORS;
    if (pos > 2 || each <= 0 || c <= 0 || c > colors) return;
    const int64_t slot = bPassToLeft ? colors - c : c - 1;
    const int64_t groups = (each + 7) / 8 + 1;
    const bool before = pos == 2 || pos == unsigned(bPassToLeft ? 1 : 0);
    const int64_t x0s[2] = {before ? g.offset - 8 : int64_t(uiColorBarDistance) + 8 * R + g.offset,
                            g.offset + int64_t(uiColorBarWidth) / 2 + int64_t(uiColorBarDistance) + 8 * R};
    const uint8_t* bytes = barPatternBytes(*this);
    const RowBand band = imageBand8(*this, h);
    const int64_t rEnd = std::min(O + N, K8);
    for (int copy = 0; copy < (pos == 2 ? 2 : 1); ++copy) {
        const int64_t x0 = x0s[copy];
        const int64_t g0 = floorDiv(x0, 8) + slot * groups;
        const unsigned s = unsigned(floorMod(x0, 8));
        for (int64_t r = O; r < rEnd; ++r) {
            const int64_t p = rowPos8(team, K8, r);
            if (colorBar.bSameHeightWithImage) {
                // The nozzle that fires this bar byte prints image row ir: bars go where the image is.
                const int64_t ir = vm ? r : rowAtPos8(team, K8, K8 - 1 - p);
                if (!band.contains(first + ir - O)) continue;
            }
            const uint8_t pb = bytes[r % 3];
            for (int64_t b = 0; b < groups; ++b) {
                uint8_t v = pb;
                if (b == 0) v = uint8_t(pb >> s);
                else if (b == groups - 1) v = uint8_t(pb & ~(0xFFu >> s)); // the last s dots of the bar
                // Added to what is there: a bar that shares a group with the image edge keeps both.
                const int64_t idx = (g0 + b) * K8 + p;
                if (idx >= 0 && idx < cardSize) card[idx] |= v;
            }
        }
    }
}

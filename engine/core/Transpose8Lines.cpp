// Transposition of a pass into the card's 8-line layout: a group of 8 adjacent dots holds one
// byte per nozzle row, so whole bytes of the pass rows move, shifted by the head's offset.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/TransposeInternal.h"
#include "core/Transpose8LinesKernel.h"

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

// The bits of every byte of w reversed.
inline uint64_t reverseBits64(uint64_t w) {
    w = ((w >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((w & 0x0F0F0F0F0F0F0F0Full) << 4);
    w = ((w >> 2) & 0x3333333333333333ull) | ((w & 0x3333333333333333ull) << 2);
    w = ((w >> 1) & 0x5555555555555555ull) | ((w & 0x5555555555555555ull) << 1);
    return w;
}


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

    const int64_t clearEnd = int64_t(std::min<uint64_t>(clearBytes8(*this), uiHeadCardSize));
    const Head8 g = head8(*this, h);
    uiHeadXOffset[h] = int32_t(std::clamp<int64_t>(g.offset, INT32_MIN, INT32_MAX));
    // A row longer than the pass buffer or a group longer than the card buffer: nothing fits.
    if (g.blank || uint64_t(R) > uiHeadPassSize || uint64_t(K8) > uiHeadCardSize) {
        std::memset(card, 0, size_t(clearEnd));
        return;
    }
    {
        // Every row writes groups g0 .. g0 + R of its own offset; the groups that all rows write
        // are overwritten whole below, so only the rest needs clearing.
        int64_t gLo = INT64_MIN, gHi = INT64_MAX;
        for (int64_t r = 0; r < K8; ++r) {
            const int64_t g0 = floorDiv(rowOffset8(*this, h, g, K8, r), 8) + g.allowance;
            gLo = std::max(gLo, g0);
            gHi = std::min(gHi, g0 + R);
        }
        if (gLo <= gHi) clearExcept(card, clearEnd, gLo * K8, (gHi + 1) * K8);
        else std::memset(card, 0, size_t(clearEnd));
    }

    const uint8_t* mask = headMask(*this, h);
    // Each row becomes a stream of R bytes framed by zeros, read left to right; a pass that is
    // not mirrored reads its rows from the right end with the bits of every byte reversed. Byte b
    // of the output joins stream bytes b - 1 and b and shifts them right by the sub-byte offset,
    // so R + 1 groups take every dot, the last one the spill of the row's last byte. The stream
    // is padded with zeros so that the vector kernel may read 16 bytes past any output byte.
    const int64_t stride = (R + 18 + 15) / 16 * 16;
    const bool mirror = bPassMirror != 0;
    auto fillStream = [&](int64_t r, uint8_t* st) {
        const int64_t src = first + r;
        if (!(r >= O && r < O + N && src >= 0 && src < rowsHeld)) { // rows without nozzles stay zero
            std::memset(st, 0, size_t(stride));
            return;
        }
        st[0] = 0;
        std::memset(st + 1 + R, 0, size_t(stride - 1 - R));
        const uint8_t* row = pass + src * R;
        if (mirror) {
            std::memcpy(st + 1, row, size_t(R));
            return;
        }
        int64_t b = 0;
        for (; b + 8 <= R; b += 8) {
            uint64_t w;
            std::memcpy(&w, row + R - 8 - b, 8);
            w = reverseBits64(__builtin_bswap64(w));
            std::memcpy(st + 1 + b, &w, 8);
        }
        for (; b < R; ++b) st[1 + b] = kReverse.v[row[R - 1 - b]];
    };
    // Where nozzle row r goes: its group and shift, and the byte within the group.
    auto rowPlace = [&](int64_t r, int64_t& g0, unsigned& sh) {
        const int64_t d = rowOffset8(*this, h, g, K8, r);
        g0 = floorDiv(d, 8);
        sh = unsigned(d - 8 * g0);
    };
    auto inGroup = [&](int64_t r) {
        const int64_t p = rowPos8(team, K8, r);
        return vm ? p : K8 - 1 - p;
    };

    // The portable kernel: rows one by one, a byte at a time.
    std::vector<uint8_t> streams(size_t(kRowBlock * stride));
    auto scalarRows = [&](const int64_t* list, int64_t nr) {
        int64_t at[kRowBlock];  // card index of group 0 of the row
        unsigned sh[kRowBlock]; // sub-byte shift of the row
        int64_t lo = INT64_MAX, hi = INT64_MIN;
        for (int64_t i = 0; i < nr; ++i) {
            const int64_t r = list[i];
            fillStream(r, &streams[size_t(i * stride)]);
            int64_t g0;
            rowPlace(r, g0, sh[i]);
            at[i] = (g0 + g.allowance) * K8 + inGroup(r);
            lo = std::min(lo, at[i]);
            hi = std::max(hi, at[i]);
        }
        for (int64_t b = 0; b <= R; ++b) {
            const int64_t step = b * K8;
            const bool inside = lo + step >= 0 && hi + step < cardSize;
            for (int64_t i = 0; i < nr; ++i) {
                const uint8_t* st = &streams[size_t(i * stride)];
                uint8_t v = uint8_t(((unsigned(st[b]) << 8) | st[b + 1]) >> sh[i]);
                if (mask) v &= mask[(b * list[i]) & 32767];
                const int64_t idx = at[i] + step;
                if (inside || (idx >= 0 && idx < cardSize)) card[idx] = v;
            }
        }
    };

    int64_t list[kRowBlock];
    int64_t q = 0; // next byte of the group to fill
#if defined(__x86_64__)
    if (!mask && transposeKernel() != TransposeKernel::Portable) {
        // Sixteen adjacent bytes of a group whose rows share one offset go through the vector
        // kernel, four such blocks at a time; blocks of rows with differing offsets (a gradient
        // boundary) take the portable one.
        std::vector<uint8_t> vstreams(size_t(64 * stride));
        const bool avx2 = int(transposeKernel()) >= int(TransposeKernel::Avx2); // AVX-512 has AVX2 too
        // Short rows are read where they are: stream byte j + 1 is row byte j (mirrored) or row
        // byte R - 1 - j reversed, and only the last (partial) 16 bytes of a stream are copied,
        // into a zero-padded tail. Long rows are copied into streams first: 64 rows read side by
        // side defeat the prefetcher, one row at a time does not.
        const bool direct16 = R <= 4096;
        const int64_t direct = direct16 ? R / 16 * 16 : 0;
        auto fillStreamFast = [&](int64_t r, uint8_t* st) {
            const int64_t src = first + r;
            if (mirror || !(r >= O && r < O + N && src >= 0 && src < rowsHeld)) return fillStream(r, st);
            st[0] = 0;
            std::memset(st + 1 + R, 0, size_t(stride - 1 - R));
            const uint8_t* row = pass + src * R;
            int64_t b = 0;
            for (; b + 16 <= R; b += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + R - 16 - b));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(st + 1 + b), kernel8::reverseBytesAndBits(v));
            }
            for (; b < R; ++b) st[1 + b] = kReverse.v[row[R - 1 - b]];
        };
        const std::vector<uint8_t> zeros(size_t(R + 32), 0);
        std::vector<uint8_t> tails(size_t(64 * 32));
        while (q + 16 <= K8) {
            kernel8::Lanes16 blocks[4];
            int nb = 0;
            for (; nb < 4 && q + 16 <= K8; q += 16) {
                int64_t g0 = 0;
                unsigned sh = 0;
                bool uniform = true;
                for (int64_t i = 0; i < 16; ++i) {
                    list[i] = rowAtPos8(team, K8, vm ? q + i : K8 - 1 - (q + i));
                    int64_t gi;
                    unsigned si;
                    rowPlace(list[i], gi, si);
                    if (i == 0) {
                        g0 = gi;
                        sh = si;
                    } else if (gi != g0 || si != sh) {
                        uniform = false;
                    }
                }
                if (!uniform) {
                    scalarRows(list, 16);
                    continue;
                }
                kernel8::Lanes16& L = blocks[nb];
                L.direct = direct;
                L.reversed = direct16 && !mirror; // streams copied below are reversed already
                for (int64_t i = 0; i < 16; ++i) {
                    if (direct16) {
                        const int64_t r = list[i], src = first + r;
                        const bool inked = r >= O && r < O + N && src >= 0 && src < rowsHeld;
                        const uint8_t* row = inked ? pass + src * R : zeros.data();
                        uint8_t* t = &tails[size_t((nb * 16 + i) * 32)];
                        std::memset(t, 0, 32);
                        if (mirror) {
                            std::memcpy(t, row + direct, size_t(R - direct));
                            L.src[i] = row;
                        } else {
                            // Stream bytes from `direct` on are the row's first R - direct bytes.
                            for (int64_t j = direct; j < R; ++j) t[j - direct] = kReverse.v[row[R - 1 - j]];
                            L.src[i] = direct ? row + R - 16 : row;
                        }
                        L.tail[i] = t;
                    } else {
                        uint8_t* st = &vstreams[size_t((nb * 16 + i) * stride)];
                        fillStreamFast(list[i], st);
                        L.src[i] = st + 1;
                        L.tail[i] = st + 1;
                    }
                }
                L.sh = sh;
                L.at0 = (g0 + g.allowance) * K8 + q;
                ++nb;
            }
            if (nb && avx2) kernel8::shiftedGroupsAvx2(blocks, nb, R, card, cardSize, K8);
            else if (nb) kernel8::shiftedGroups(blocks, nb, R, card, cardSize, K8);
        }
    }
#endif
    while (q < K8) {
        const int64_t nr = std::min(kRowBlock, K8 - q);
        for (int64_t i = 0; i < nr; ++i) list[i] = rowAtPos8(team, K8, vm ? q + i : K8 - 1 - (q + i));
        scalarRows(list, nr);
        q += nr;
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

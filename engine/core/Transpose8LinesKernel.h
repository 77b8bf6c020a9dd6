#pragma once
// The vector kernel of the 8-line layout, compiled twice: once for every x86-64 (SSE2), once in
// its own file for processors with AVX2, whose three-operand instructions spare most register
// copies of the interleave and whose byte shuffles reverse bits in fewer steps. The inline parts
// live in an unnamed namespace so that the two builds never stand in for each other at link time
// (and the header uses no library templates, whose shared copies the linker could take from the
// AVX2 build).
#if defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>

namespace kernel8 {

// Sixteen streams (one per byte of a group) sharing one shift. Stream byte j + 1 of lane i is
// src[i][j] for j below `direct` (whole 16-byte loads only), else tail[i][j - direct]. A reversed
// block reads its rows from the right end: src[i] points at the row's last 16 bytes, and stream
// bytes j .. j + 15 are the 16 bytes at src[i] - j, taken in reverse order with their bits
// reversed.
struct Lanes16 {
    const uint8_t* src[16];
    const uint8_t* tail[16];
    int64_t direct;
    bool reversed;
    unsigned sh;
    int64_t at0;     // card index of byte 0 of the block in group 0
    __m128i carry;   // stream byte cb of every stream
};

// The kernel for every x86-64, and the one for AVX2 (call only where the processor has it).
void shiftedGroups(Lanes16* blocks, int nblocks, int64_t R, uint8_t* card, int64_t cardSize, int64_t K8);
void shiftedGroupsAvx2(Lanes16* blocks, int nblocks, int64_t R, uint8_t* card, int64_t cardSize, int64_t K8);

namespace {

// The bits of each of the 16 bytes reversed.
inline __m128i reverseBits(__m128i v) {
#if defined(__SSSE3__)
    // Each nibble reversed by a 16-entry table, and the two swapped.
    const __m128i m4 = _mm_set1_epi8(0x0F);
    const __m128i toHigh = _mm_setr_epi8(0x00, char(0x80), 0x40, char(0xC0), 0x20, char(0xA0), 0x60, char(0xE0), 0x10,
                                         char(0x90), 0x50, char(0xD0), 0x30, char(0xB0), 0x70, char(0xF0));
    const __m128i toLow = _mm_setr_epi8(0x0, 0x8, 0x4, 0xC, 0x2, 0xA, 0x6, 0xE, 0x1, 0x9, 0x5, 0xD, 0x3, 0xB, 0x7, 0xF);
    return _mm_or_si128(_mm_shuffle_epi8(toHigh, _mm_and_si128(v, m4)),
                        _mm_shuffle_epi8(toLow, _mm_and_si128(_mm_srli_epi16(v, 4), m4)));
#else
    const __m128i m4 = _mm_set1_epi8(0x0F), m2 = _mm_set1_epi8(0x33), m1 = _mm_set1_epi8(0x55);
    v = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 4), m4), _mm_slli_epi16(_mm_and_si128(v, m4), 4));
    v = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 2), m2), _mm_slli_epi16(_mm_and_si128(v, m2), 2));
    return _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 1), m1), _mm_slli_epi16(_mm_and_si128(v, m1), 1));
#endif
}

// The 16 bytes in reverse order with their bits reversed: a row read from its right end.
inline __m128i reverseBytesAndBits(__m128i v) {
    v = reverseBits(v);
    v = _mm_or_si128(_mm_srli_epi16(v, 8), _mm_slli_epi16(v, 8)); // bytes of each word swapped
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B);  // words of each half reversed
    return _mm_shuffle_epi32(v, 0x4E);                            // halves swapped
}


// Output byte b of stream i = low byte of ((st[b] << 8 | st[b + 1]) >> sh), stored at byte
// at0 + b * K8 + i of the card for b = 0 .. R. Sixteen stream bytes of every stream are turned
// into 16 group vectors by four rounds of byte interleaving (each round rotates the bits of the
// stream:byte index by one), then shifted as bytes. Up to four blocks run side by side so that
// each group receives whole cache lines.
inline void shiftedGroupsBody(Lanes16* blocks, int nblocks, int64_t R, uint8_t* card, int64_t cardSize, int64_t K8) {
    for (int u = 0; u < nblocks; ++u) blocks[u].carry = _mm_setzero_si128();
    for (int64_t cb = 0; cb <= R; cb += 16) {
        const int64_t n = R + 1 - cb < 16 ? R + 1 - cb : 16;
        for (int u = 0; u < nblocks; ++u) {
            Lanes16& L = blocks[u];
            __m128i a[16];
            // A reversed block loads its 16 bytes in row order; once they are interleaved, group
            // vector c holds stream byte cb + 15 - c, so the order is turned there, and the bits
            // of the 16 group vectors are reversed rather than those of the 16 loads.
            const bool turn = cb + 16 <= L.direct && L.reversed;
            if (turn)
                for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L.src[i] - cb));
            else if (cb + 16 <= L.direct)
                for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L.src[i] + cb));
            else
                for (int i = 0; i < 16; ++i)
                    a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L.tail[i] + (cb - L.direct)));
            for (int round = 0; round < 4; ++round) {
                __m128i t[16];
                for (int i = 0; i < 8; ++i) {
                    t[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
                    t[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
                }
                for (int i = 0; i < 16; ++i) a[i] = t[i];
            }
            if (turn)
                for (int i = 0; i < 8; ++i) {
                    const __m128i lo = reverseBits(a[i]);
                    a[i] = reverseBits(a[15 - i]);
                    a[15 - i] = lo;
                }
            const unsigned sh = L.sh;
            const __m128i count = _mm_cvtsi32_si128(int(sh));
            const __m128i countL = _mm_cvtsi32_si128(int(8 - sh));
            const __m128i keepR = _mm_set1_epi8(char(0xFF >> sh));
            const __m128i keepL = _mm_set1_epi8(char((0xFF << (8 - sh)) & 0xFF));
            for (int64_t c = 0; c < n; ++c) {
                const __m128i cur = a[c];
                const __m128i prev = c ? a[c - 1] : L.carry;
                __m128i v = cur;
                if (sh)
                    v = _mm_or_si128(_mm_and_si128(_mm_srl_epi16(cur, count), keepR),
                                     _mm_and_si128(_mm_sll_epi16(prev, countL), keepL));
                const int64_t idx = L.at0 + (cb + c) * K8;
                if (idx >= 0 && idx + 16 <= cardSize) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(card + idx), v);
                } else {
                    alignas(16) uint8_t tmp[16];
                    _mm_store_si128(reinterpret_cast<__m128i*>(tmp), v);
                    for (int i = 0; i < 16; ++i)
                        if (idx + i >= 0 && idx + i < cardSize) card[idx + i] = tmp[i];
                }
            }
            L.carry = a[15];
        }
    }
}

} // namespace
} // namespace kernel8
#endif

#include "core/DropCount.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace dropcount {
namespace {

uint64_t portable(const uint8_t* p, size_t n) {
    uint64_t total = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        total += unsigned(std::popcount(w));
    }
    for (; i < n; ++i) total += unsigned(std::popcount(p[i]));
    return total;
}

#if defined(__x86_64__)
__attribute__((target("popcnt"))) uint64_t withPopcnt(const uint8_t* p, size_t n) {
    // Four sums, so that the counts of neighbouring words do not wait on one another.
    uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, p + i, 32);
        s0 += uint64_t(__builtin_popcountll(w[0]));
        s1 += uint64_t(__builtin_popcountll(w[1]));
        s2 += uint64_t(__builtin_popcountll(w[2]));
        s3 += uint64_t(__builtin_popcountll(w[3]));
    }
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        s0 += uint64_t(__builtin_popcountll(w));
    }
    for (; i < n; ++i) s1 += uint64_t(__builtin_popcount(p[i]));
    return s0 + s1 + s2 + s3;
}

__attribute__((target("avx512f,avx512vpopcntdq,popcnt"))) uint64_t withAvx512(const uint8_t* p, size_t n) {
    __m512i sum = _mm512_setzero_si512();
    size_t i = 0;
    for (; i + 64 <= n; i += 64)
        sum = _mm512_add_epi64(sum, _mm512_popcnt_epi64(_mm512_loadu_si512(static_cast<const void*>(p + i))));
    alignas(64) uint64_t lanes[8];
    _mm512_store_si512(static_cast<void*>(lanes), sum);
    uint64_t total = 0;
    for (uint64_t v : lanes) total += v;
    return total + withPopcnt(p + i, n - i);
}
#endif

uint64_t maskedPortable(const uint8_t* p, size_t n, const uint8_t* mask) {
    uint64_t total = 0;
    for (size_t i = 0; i < n; ++i) total += unsigned(std::popcount(uint8_t(p[i] & mask[i % kMaskBytes])));
    return total;
}

#if defined(__x86_64__)
__attribute__((target("popcnt"))) uint64_t maskedPopcnt(const uint8_t* p, size_t n, const uint8_t* mask) {
    uint64_t m[kMaskBytes / 8];
    std::memcpy(m, mask, kMaskBytes);
    uint64_t total = 0;
    size_t i = 0;
    for (; i + kMaskBytes <= n; i += kMaskBytes)
        for (size_t k = 0; k < kMaskBytes / 8; ++k) {
            uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            total += uint64_t(__builtin_popcountll(w & m[k]));
        }
    return total + maskedPortable(p + i, n - i, mask);
}

__attribute__((target("avx512f,avx512vpopcntdq,popcnt"))) uint64_t maskedAvx512(const uint8_t* p, size_t n,
                                                                               const uint8_t* mask) {
    const __m512i m0 = _mm512_loadu_si512(static_cast<const void*>(mask));
    const __m512i m1 = _mm512_loadu_si512(static_cast<const void*>(mask + 64));
    __m512i sum = _mm512_setzero_si512();
    size_t i = 0;
    for (; i + kMaskBytes <= n; i += kMaskBytes) {
        const __m512i a = _mm512_and_si512(_mm512_loadu_si512(static_cast<const void*>(p + i)), m0);
        const __m512i b = _mm512_and_si512(_mm512_loadu_si512(static_cast<const void*>(p + i + 64)), m1);
        sum = _mm512_add_epi64(sum, _mm512_add_epi64(_mm512_popcnt_epi64(a), _mm512_popcnt_epi64(b)));
    }
    alignas(64) uint64_t lanes[8];
    _mm512_store_si512(static_cast<void*>(lanes), sum);
    uint64_t total = 0;
    for (uint64_t v : lanes) total += v;
    return total + maskedPortable(p + i, n - i, mask);
}
#endif

using Kernel = uint64_t (*)(const uint8_t*, size_t);
using MaskedKernel = uint64_t (*)(const uint8_t*, size_t, const uint8_t*);

struct Choice {
    Kernel kernel;
    MaskedKernel masked;
    const char* name;
};

Choice choose() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vpopcntdq")) return {withAvx512, maskedAvx512, "avx512"};
    if (__builtin_cpu_supports("popcnt")) return {withPopcnt, maskedPopcnt, "popcnt"};
#endif
    return {portable, maskedPortable, "portable"};
}

const Choice& chosen() {
    static const Choice c = choose();
    return c;
}

} // namespace

uint64_t countBits(const uint8_t* p, size_t n) { return n ? chosen().kernel(p, n) : 0; }

uint64_t countBitsMasked(const uint8_t* p, size_t n, const uint8_t (&mask)[kMaskBytes]) {
    return n ? chosen().masked(p, n, mask) : 0;
}

const char* kernelName() { return chosen().name; }

} // namespace dropcount

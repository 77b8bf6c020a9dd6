#pragma once
// Counting the drops of a pass: the set bits of the bytes the card is given. The card transfer
// counts each bus chunk while it is still in the cache, so the count costs no pass over memory
// of its own.
#include <cstddef>
#include <cstdint>

namespace dropcount {

// Set bits of the n bytes at p (with the processor's population count where it has one).
uint64_t countBits(const uint8_t* p, size_t n);
// Set bits of the n bytes at p under a mask repeated every kMaskBytes bytes from p on.
inline constexpr size_t kMaskBytes = 128;
uint64_t countBitsMasked(const uint8_t* p, size_t n, const uint8_t (&mask)[kMaskBytes]);
// The kernel countBits uses on this processor: "avx512", "popcnt" or "portable".
const char* kernelName();

} // namespace dropcount

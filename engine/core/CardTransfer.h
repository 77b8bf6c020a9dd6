#pragma once
// Card memory layouts and the raw transfer shared by the pass transfers and the maintenance prints.
#include <cstddef>
#include <cstdint>

namespace cardmem {

struct Layout {
    unsigned blocks;
    uint32_t blockBytes;
    unsigned unit; // bytes per card address
};
// The layout of PRINTMODE uiMemoryMode; false for a mode the card does not have.
bool layoutOf(unsigned mode, Layout& out);
// dst = src with the bytes of every 32-bit word reversed (a partial last word is zero-padded).
void swapWordsInto(uint8_t* dst, const uint8_t* src, size_t n);
// Writes already swapped bytes at the start of a block (at most one block); true when every chunk
// was written and acknowledged.
bool writeSwapped(const uint8_t* swapped, unsigned block, size_t n, unsigned mode);

// Programs the fire window of a pass: columns first..last, fired from the card's start dot (job
// dots, as the encoder counts them) with the encoder shift.
void setFireWindow(int first, int last, uint32_t startDot, unsigned shift);

} // namespace cardmem

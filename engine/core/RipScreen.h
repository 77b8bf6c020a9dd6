#pragma once
// Screening one ink plane to one bit per dot: error diffusion (Floyd-Steinberg, serpentine) or
// an ordered 16x16 dither. Bits are packed most significant first: dot x is bit 0x80 >> (x % 8).
#include <cstdint>
#include <vector>

namespace rip {

enum class ScreenKind { Diffusion, Ordered };

class PlaneScreen {
public:
    PlaneScreen(ScreenKind kind, uint32_t width);
    // Screens one row of ink amounts (0..1, width values) into out (width/8 rounded up bytes,
    // cleared here). Rows must come in order.
    void Row(const float* amount, uint8_t* out);
    uint64_t DotsSet() const { return dots_; }

private:
    ScreenKind kind_;
    uint32_t width_;
    uint32_t y_ = 0;
    uint64_t dots_ = 0;
    std::vector<float> err_, next_; // diffusion errors of this row and the next, with a guard on each side
};

// Threshold of the ordered dither at (x, y), strictly between 0 and 1.
float OrderedThreshold(uint32_t x, uint32_t y);

} // namespace rip

#include "core/RipScreen.h"

#include <algorithm>
#include <cstring>

namespace rip {
namespace {

// The 16x16 Bayer matrix, values 0 .. 255.
struct Bayer16 {
    uint8_t m[16][16];
    Bayer16() {
        // Interleaving the bits of (x xor y) and y, most significant level last.
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                uint32_t v = 0;
                for (uint32_t i = 0; i < 4; ++i) {
                    const uint32_t xb = ((x ^ y) >> i) & 1, yb = (y >> i) & 1;
                    v |= xb << (2 * (3 - i) + 1) | yb << (2 * (3 - i));
                }
                m[y][x] = uint8_t(v);
            }
    }
};

} // namespace

float OrderedThreshold(uint32_t x, uint32_t y) {
    static const Bayer16 b;
    return (b.m[y & 15][x & 15] + 0.5f) / 256.0f;
}

PlaneScreen::PlaneScreen(ScreenKind kind, uint32_t width) : kind_(kind), width_(width) {
    if (kind_ == ScreenKind::Diffusion) {
        err_.assign(size_t(width) + 2, 0.0f);
        next_.assign(size_t(width) + 2, 0.0f);
    }
}

void PlaneScreen::Row(const float* amount, uint8_t* out) {
    std::memset(out, 0, (size_t(width_) + 7) / 8);
    auto set = [&](uint32_t x) {
        out[x >> 3] |= uint8_t(0x80u >> (x & 7));
        ++dots_;
    };
    if (kind_ == ScreenKind::Ordered) {
        for (uint32_t x = 0; x < width_; ++x)
            if (amount[x] > OrderedThreshold(x, y_)) set(x);
    } else {
        // Serpentine: odd rows run right to left so the error does not drift to one side.
        const bool back = y_ & 1;
        std::fill(next_.begin(), next_.end(), 0.0f);
        for (uint32_t i = 0; i < width_; ++i) {
            const uint32_t x = back ? width_ - 1 - i : i;
            const size_t e = size_t(x) + 1; // index into the guarded error rows
            const float v = std::clamp(amount[x], 0.0f, 1.0f) + err_[e];
            float q = 0.0f;
            if (v >= 0.5f) {
                set(x);
                q = 1.0f;
            }
            const float d = v - q;
            const size_t ahead = back ? e - 1 : e + 1, behind = back ? e + 1 : e - 1;
            err_[ahead] += d * 7.0f / 16.0f;
            next_[behind] += d * 3.0f / 16.0f;
            next_[e] += d * 5.0f / 16.0f;
            next_[ahead] += d * 1.0f / 16.0f;
        }
        std::swap(err_, next_);
    }
    ++y_;
}

} // namespace rip

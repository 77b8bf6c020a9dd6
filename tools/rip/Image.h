#pragma once
// Pictures for making RIP files: loading (PNG through libpng; JPEG, BMP and the other formats
// stb_image knows), resampling to the print size, and synthetic test pictures.
#include <cstdint>
#include <string>
#include <vector>

namespace rip {

// 8-bit RGBA, rows top to bottom.
struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

constexpr uint64_t kMaxPicturePixels = 256ull << 20; // 1 GiB of RGBA at most

// Loads a picture file; false with the reason in error.
bool LoadPicture(const std::string& path, Picture& out, std::string& error);

// A source of output rows at the print size: R, G, B and A as floats 0..1, width x 4 values.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual uint32_t Width() const = 0;
    virtual uint32_t Height() const = 0;
    virtual void Row(uint32_t y, float* rgba) = 0; // rows are asked for in order
};

// A picture stretched to width x height: box filter when shrinking, bilinear when enlarging.
class ResampledPicture : public RowSource {
public:
    ResampledPicture(const Picture& pic, uint32_t width, uint32_t height);
    uint32_t Width() const override { return width_; }
    uint32_t Height() const override { return height_; }
    void Row(uint32_t y, float* rgba) override;

    struct Taps {
        std::vector<uint32_t> start;  // per output index: first tap
        std::vector<uint32_t> index;  // source index of each tap
        std::vector<float> weight;    // weights of each output index add up to 1
    };
    static Taps MakeTaps(uint32_t src, uint32_t dst);

private:
    const Picture& pic_;
    uint32_t width_, height_;
    Taps xt_, yt_;
    std::vector<float> acc_; // one source row, vertically filtered
};

// A test picture made at the print size, without an input file: a black one-dot frame on the
// very edges, a hue sweep, a grey ramp and solid blocks of the primaries, so that every ink and
// the last dot on each side are printed.
class SyntheticPicture : public RowSource {
public:
    SyntheticPicture(uint32_t width, uint32_t height) : width_(width), height_(height) {}
    uint32_t Width() const override { return width_; }
    uint32_t Height() const override { return height_; }
    void Row(uint32_t y, float* rgba) override;

private:
    uint32_t width_, height_;
};

} // namespace rip

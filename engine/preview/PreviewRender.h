#pragma once
// The preview picture of a RIP print file: its size, the bitmap header, the sampling of source
// lines and bytes, and the ink model that turns dot counts into a colour.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/RipHead.h"

namespace preview {

constexpr uint32_t kPreviewLongSide = 800; // pixels on the longer side of the picture
constexpr uint32_t kSampleLines = 16;      // raster lines sampled per preview row
constexpr uint32_t kMixPlanes = 10;        // planes the ink model looks at

struct PreviewSize {
    uint32_t columns = 0;
    uint32_t rows = 0;
    uint32_t widthMM = 0;  // the print's size, rounded up to whole millimetres
    uint32_t heightMM = 0;
};

// False (with the reason) for a header that gives no size: zero resolution or zero dimensions.
bool previewSize(const RipHead& head, PreviewSize& size, std::string& error);

inline uint32_t bitmapRowBytes(uint32_t columns) { return ((columns * 24 + 31) / 32) * 4; }
constexpr uint32_t kBitmapHeaderSize = 54;
// The 14-byte file header and 40-byte information header of a 24-bit bottom-up bitmap whose
// resolution fields carry the print's size in millimetres.
std::array<uint8_t, kBitmapHeaderSize> bitmapHeader(const PreviewSize& size);

// First raster line of the 16-line window sampled for preview row r (1 = bottom row). The window
// always lies inside the raster, so the last row shows the last lines instead of reading past them.
uint32_t sampleWindowStart(uint32_t r, uint32_t rows, const RipHead& head);

// Set-bit count of every byte value.
const std::array<uint8_t, 256>& bitCounts();

// Mixes per-plane dot counts (0..256 over a 2-byte x 16-line sample) into absorptions and stores
// the pixel as blue, green, red.
class InkMixer {
public:
    // planes: the file's plane count; alignColors: the machine's HEADALIGNMENT COLORS.
    InkMixer(uint32_t planes, uint32_t alignColors);
    // c: counts of planes 0..9 (planes the file does not have are 0).
    void mix(const uint16_t* c, uint8_t* bgr) const;

    enum class Model { KCMY, CMY, White5, Light6, Light8, WhiteVarnish10 };
    Model model() const { return model_; }

private:
    Model model_;
};

// Renders preview rows from 16-line samples of the raster, with the column-to-byte mapping and
// count buffers prepared once.
class PreviewRenderer {
public:
    PreviewRenderer(const RipHead& head, uint32_t columns, uint32_t alignColors);
    // lines: kSampleLines raster lines of all planes (missing lines zeroed). out: columns x BGR.
    void renderRow(const uint8_t* lines, uint8_t* out);

private:
    uint32_t planes_, bytesPerLine_, columns_, usedPlanes_;
    std::vector<uint32_t> byteA_, byteB_; // sampled bytes of each output column
    std::vector<uint16_t> counts_;        // kMixPlanes x columns
    InkMixer mixer_;
};

} // namespace preview

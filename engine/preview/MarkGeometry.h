#pragma once
// Geometry of the registration marks of the double-sided front and rear files, and the three
// mark line patterns (rails, ticks, full-width bar) drawn on planes 0 and 3.
#include <cstdint>
#include <string>
#include <vector>

#include "core/RipHead.h"

namespace preview {

constexpr uint32_t kMarkChunkLines = 5000;   // lines per read/write chunk
constexpr float kMarkBlankMM = 500.0f;       // blank run after the image

struct MarkGeometry {
    uint32_t margin = 0;      // M: bytes added on each side
    uint32_t gap = 0;         // W: bytes left free beside the image
    uint32_t railWidth = 0;   // bytes
    uint32_t railOffset = 0;  // bytes from the left edge (and from the right edge for the right rail)
    uint32_t tickPeriod = 0;  // P: lines
    uint32_t tickHeight = 0;  // 5 k lines
    uint32_t blankLines = 0;  // lines of the blank run
    uint32_t newBytesPerLine = 0;
    uint32_t newHeight = 0;
};

// False (with the reason) when the output would not fit a RIP header or a sane line size.
// headDPI is the head's native resolution (fHeadDPI); the tick height follows from it.
bool markGeometry(const RipHead& head, float headDPI, MarkGeometry& g, std::string& error);

// The output header: the source header with bytes per line, height and width replaced.
RipHead markHead(const RipHead& head, const MarkGeometry& g);

enum class MarkKind { Rails, Bar, Ticks };
// Which mark line output line L carries (the same on the front file and, mirrored, the rear).
MarkKind markKindAt(const MarkGeometry& g, uint32_t L, uint32_t sourceHeight);

// The three mark lines, one plane line each, built once.
class MarkPatterns {
public:
    explicit MarkPatterns(const MarkGeometry& g);
    const uint8_t* line(MarkKind kind) const;

private:
    std::vector<uint8_t> rails_, bar_, ticks_;
};

} // namespace preview

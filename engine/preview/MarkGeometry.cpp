#include "preview/MarkGeometry.h"

#include <algorithm>
#include <cstring>

#include "preview/RipSource.h"

namespace preview {

namespace {
uint32_t roundUp(uint32_t v, uint32_t to) { return (v + to - 1) / to * to; }
// Keeps every millimetre-to-dots conversion far inside 32 bits.
constexpr uint32_t kMaxMarkDPI = 1000000;
} // namespace

bool markGeometry(const RipHead& h, float headDPI, MarkGeometry& g, std::string& error) {
    if (h.uiXDPI == 0 || h.uiYDPI == 0) {
        error = "the header has a zero resolution";
        return false;
    }
    if (h.uiXDPI > kMaxMarkDPI || h.uiYDPI > kMaxMarkDPI) {
        error = "the header's resolution is out of range (" + std::to_string(h.uiXDPI) + " x " +
                std::to_string(h.uiYDPI) + " dpi)";
        return false;
    }
    const float mmX = 25.4f / static_cast<float>(h.uiXDPI);
    const float mmY = 25.4f / static_cast<float>(h.uiYDPI);
    auto dots = [mmX](float mm) { return static_cast<uint32_t>(mm / mmX); };

    g = MarkGeometry{};
    g.margin = roundUp(dots(35.0f), 32) / 8;
    g.gap = roundUp(dots(5.0f), 32) / 8;
    g.railWidth = (dots(1.0f) + 7) / 8;
    g.railOffset = (g.margin - g.gap) / 2;
    g.tickPeriod = std::max<uint32_t>(roundUp(static_cast<uint32_t>(10.0f / mmY), 8), 8);
    // Ticks are as tall as 5 passes of the head's interleave; at least 5 lines, so resolutions
    // below the head's own still get ticks and bars.
    const double kd = headDPI > 0 ? (h.uiYDPI + 0.5) / headDPI : 1.0;
    const uint32_t k = kd < 1e6 ? static_cast<uint32_t>(kd) : 1000000u;
    g.tickHeight = 5 * std::max<uint32_t>(k, 1);
    g.blankLines = static_cast<uint32_t>(kMarkBlankMM / mmY);

    uint64_t bpl = uint64_t(h.uiBytesPerLine) + 2ull * g.margin;
    uint64_t height = uint64_t(h.uiHeight) + g.blankLines;
    if (bpl > 0x1FFFFFFFull || height > 0xFFFFFFFFull) {
        error = "the marked file would be too large for a RIP header";
        return false;
    }
    if (bpl * h.uiColors > kMaxLineBytes) {
        error = "the marked raster line would be too large (" + std::to_string(bpl * h.uiColors) + " bytes)";
        return false;
    }
    g.newBytesPerLine = static_cast<uint32_t>(bpl);
    g.newHeight = static_cast<uint32_t>(height);
    return true;
}

RipHead markHead(const RipHead& h, const MarkGeometry& g) {
    RipHead out = h;
    out.uiBytesPerLine = g.newBytesPerLine;
    out.uiHeight = g.newHeight;
    out.uiWidth = 8 * g.newBytesPerLine;
    return out;
}

MarkKind markKindAt(const MarkGeometry& g, uint32_t L, uint32_t sourceHeight) {
    // Counted from the end of the file, so the marks sit alike on the front and the rear side.
    const uint32_t d = g.newHeight - 1 - L;
    if (d % g.tickPeriod >= g.tickHeight) return MarkKind::Rails;
    if (uint64_t(d) % (10ull * g.tickPeriod) < g.tickHeight && L > sourceHeight) return MarkKind::Bar;
    return MarkKind::Ticks;
}

MarkPatterns::MarkPatterns(const MarkGeometry& g)
    : rails_(g.newBytesPerLine, 0), bar_(g.newBytesPerLine, 0xFF), ticks_(g.newBytesPerLine, 0) {
    const uint32_t n = g.newBytesPerLine;
    auto fill = [n](std::vector<uint8_t>& line, uint64_t from, uint64_t count) {
        if (from >= n) return;
        count = std::min<uint64_t>(count, n - from);
        std::memset(line.data() + from, 0xFF, count);
    };
    fill(rails_, g.railOffset, g.railWidth);
    if (n >= g.railOffset) fill(rails_, n - g.railOffset, g.railWidth);
    const uint32_t tick = g.margin - g.gap;
    fill(ticks_, 0, tick);
    if (n >= tick) fill(ticks_, n - tick, tick);
}

const uint8_t* MarkPatterns::line(MarkKind kind) const {
    switch (kind) {
    case MarkKind::Rails: return rails_.data();
    case MarkKind::Bar: return bar_.data();
    case MarkKind::Ticks: break;
    }
    return ticks_.data();
}

} // namespace preview

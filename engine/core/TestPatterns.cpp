#include "core/TestPatterns.h"

#include <algorithm>
#include <cmath>

#include "core/RipValidate.h"
#include "core/RipWriter.h"
#include "platform/Files.h"
#include "core/RipScreen.h"
#include "settings/SetupSettings.h"

namespace rip {

unsigned PatternSetup::HeadsPerColor() const {
    const unsigned groups = std::max(1u, linesPerHead) * std::max(1u, colors);
    return std::max(1u, heads / groups);
}

PatternSetup PatternSetupFrom(const SetupSettings& s) {
    PatternSetup p;
    p.heads = s.HEADS;
    p.nozzles = s.NOZZLESPERHEAD;
    p.colors = s.COLORS;
    p.linesPerHead = s.LINESPERHEAD;
    p.passes = s.uiPass ? s.uiPass : 1;
    const uint32_t native = s.fMMPerXStep > 0 ? uint32_t(25.4 / s.fMMPerXStep + 0.5) : 180;
    p.xdpi = p.ydpi = native;
    return p;
}

bool PatternRaster::Dot(uint32_t plane, uint32_t x, uint32_t y) const {
    const size_t off = (size_t(y) * head.uiColors + plane) * head.uiBytesPerLine + x / 8;
    return data[off] & (0x80u >> (x & 7));
}

void PatternRaster::Set(uint32_t plane, uint32_t x, uint32_t y) {
    if (plane >= head.uiColors || x >= head.uiWidth || y >= head.uiHeight) return;
    const size_t off = (size_t(y) * head.uiColors + plane) * head.uiBytesPerLine + x / 8;
    data[off] |= uint8_t(0x80u >> (x & 7));
}

uint64_t PatternRaster::Count(uint32_t plane) const {
    uint64_t n = 0;
    for (uint32_t y = 0; y < head.uiHeight; ++y)
        for (uint32_t x = 0; x < head.uiWidth; ++x) n += Dot(plane, x, y);
    return n;
}

uint32_t AlignmentPitch(const std::string& fileName) {
    const std::string tail = "360.prn";
    return fileName.size() >= tail.size() && fileName.compare(fileName.size() - tail.size(), tail.size(), tail) == 0
               ? 1040
               : 520;
}

namespace {

constexpr uint32_t kStairs = 8;  // nozzle-check segments side by side
constexpr uint32_t kSegment = 12; // dots of one nozzle's line
constexpr uint32_t kGap = 24;

void init(PatternRaster& r, const PatternSetup& s, uint32_t width, uint32_t height) {
    r.head = RipHead{};
    r.head.uiXDPI = s.xdpi;
    r.head.uiYDPI = s.ydpi;
    r.head.uiWidth = width;
    r.head.uiHeight = height;
    r.head.uiBytesPerLine = (width + 7) / 8;
    r.head.uiColors = s.colors;
    r.data.assign(size_t(r.head.uiBytesPerLine) * s.colors * height, 0);
}

void hline(PatternRaster& r, uint32_t p, uint32_t x0, uint32_t x1, uint32_t y) {
    for (uint32_t x = x0; x < x1; ++x) r.Set(p, x, y);
}

void vline(PatternRaster& r, uint32_t p, uint32_t x, uint32_t y0, uint32_t y1) {
    for (uint32_t y = y0; y < y1; ++y) r.Set(p, x, y);
}

void tint(PatternRaster& r, uint32_t p, uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1, float amount) {
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x)
            if (amount > OrderedThreshold(x, y)) r.Set(p, x, y);
}

// Every nozzle row of every colour prints its own short line; the lines climb in steps of
// kStairs, so a missing or bent nozzle leaves a visible gap in its stair.
void nozzleCheck(PatternRaster& r, const PatternSetup& s) {
    const uint32_t block = kStairs * kSegment + kGap, rows = s.RowsPerColor();
    init(r, s, s.colors * block, rows);
    for (uint32_t c = 0; c < s.colors; ++c)
        for (uint32_t row = 0; row < rows; ++row) {
            const uint32_t x0 = c * block + (row % kStairs) * kSegment;
            hline(r, c, x0, x0 + kSegment - 2, row);
        }
}

// One block, printed by each head group at its own multiple of the pitch. Per colour: a comb of
// vertical lines whose upper half black prints and lower half the colour (a step shows the X
// offset), and the colour's first and last nozzle rows across its part (the Y offset).
void headAlignment(PatternRaster& r, const PatternSetup& s, uint32_t pitch) {
    const uint32_t rows = s.nozzles, usable = pitch - 40;
    init(r, s, usable, rows);
    const uint32_t part = usable / s.colors;
    for (uint32_t c = 0; c < s.colors; ++c) {
        const uint32_t x0 = c * part, x1 = x0 + part - 8;
        for (uint32_t x = x0 + 4; x < x1; x += 8) {
            vline(r, 0, x, 0, rows / 2);
            vline(r, c, x, c == 0 ? 0 : rows / 2, rows);
        }
        hline(r, c, x0, x1, 0);
        hline(r, c, x0, x1, rows - 1);
    }
}

// Vertical lines over several passes: printed in both directions they stay straight only when
// the bidirectional offset is right. Beside them a vernier: lines every 16 dots above, every 17
// below, so the pair that meets shows the error in sixteenths.
void bidirectional(PatternRaster& r, const PatternSetup& s) {
    const uint32_t rows = std::max<uint32_t>(64, s.RowsPerColor()) * 2;
    const uint32_t comb = 320, vernier = 17 * 17, block = comb + vernier + kGap;
    init(r, s, s.colors * block, rows);
    for (uint32_t c = 0; c < s.colors; ++c) {
        const uint32_t x0 = c * block;
        for (uint32_t x = x0; x < x0 + comb; x += 16) vline(r, c, x, 0, rows);
        for (uint32_t k = 0; k < 17; ++k) {
            vline(r, c, x0 + comb + 8 + k * 16, 0, rows / 2);
            vline(r, c, x0 + comb + 8 + k * 17, rows / 2, rows);
        }
        vline(r, c, x0 + comb + 8 + 8 * 16, 0, rows / 8); // the centre mark
    }
}

// A half tone of every colour with a thin line at each pass step: feed errors show as light or
// dark bands at the lines.
void feedStep(PatternRaster& r, const PatternSetup& s) {
    const uint32_t rowsPerColor = s.RowsPerColor();
    const uint32_t step = std::max(1u, rowsPerColor / std::max(1u, s.passes));
    const uint32_t rows = rowsPerColor * 3, part = 200;
    init(r, s, s.colors * (part + kGap) + 40, rows);
    for (uint32_t c = 0; c < s.colors; ++c) tint(r, c, c * (part + kGap), c * (part + kGap) + part, 0, rows, 0.5f);
    const uint32_t ruler = s.colors * (part + kGap);
    for (uint32_t y = 0; y < rows; y += step) hline(r, 0, ruler, ruler + (y % (step * 4) == 0 ? 40 : 20), y);
}

// Each colour at 100, 75, 50, 25 and 10 per cent, then the overprints of the first colours.
void colorBars(PatternRaster& r, const PatternSetup& s) {
    static const float steps[5] = {1.0f, 0.75f, 0.5f, 0.25f, 0.1f};
    const uint32_t cell = 60, gap = 10;
    const uint32_t rowsOfBars = s.colors + (s.colors >= 4 ? 1 : 0);
    init(r, s, 5 * (cell + gap), rowsOfBars * (cell + gap));
    for (uint32_t c = 0; c < s.colors; ++c)
        for (uint32_t i = 0; i < 5; ++i)
            tint(r, c, i * (cell + gap), i * (cell + gap) + cell, c * (cell + gap), c * (cell + gap) + cell, steps[i]);
    if (s.colors >= 4) {
        // C+M, C+Y, M+Y, C+M+Y and C+M+Y+K in the last row.
        const uint32_t mixes[5][4] = {{1, 2, 0, 0}, {1, 3, 0, 0}, {2, 3, 0, 0}, {1, 2, 3, 0}, {0, 1, 2, 3}};
        const uint32_t counts[5] = {2, 2, 2, 3, 4};
        const uint32_t y0 = s.colors * (cell + gap);
        for (uint32_t i = 0; i < 5; ++i)
            for (uint32_t k = 0; k < counts[i]; ++k)
                tint(r, mixes[i][k], i * (cell + gap), i * (cell + gap) + cell, y0, y0 + cell, 1.0f);
    }
}

} // namespace

bool BuildPattern(PatternKind kind, const PatternSetup& s, PatternRaster& out, std::string& error,
                  const std::string& fileName) {
    if (s.colors == 0 || s.colors > kRipMaxColors || s.nozzles == 0 || s.nozzles > 4096 || s.heads == 0 ||
        s.heads > 64 || s.xdpi == 0 || s.ydpi == 0 || s.xdpi > kRipMaxDPI || s.ydpi > kRipMaxDPI) {
        error = "implausible setup for test patterns: " + std::to_string(s.heads) + " heads, " +
                std::to_string(s.nozzles) + " nozzles, " + std::to_string(s.colors) + " colours, " +
                std::to_string(s.xdpi) + "x" + std::to_string(s.ydpi) + " dpi";
        return false;
    }
    switch (kind) {
    case PatternKind::NozzleCheck: nozzleCheck(out, s); break;
    case PatternKind::HeadAlignment: headAlignment(out, s, AlignmentPitch(fileName)); break;
    case PatternKind::Bidirectional: bidirectional(out, s); break;
    case PatternKind::FeedStep: feedStep(out, s); break;
    case PatternKind::ColorBars: colorBars(out, s); break;
    }
    error = ValidateRipHead(out.head, kRipSizeUnknown);
    return error.empty();
}

bool WritePattern(PatternKind kind, const PatternSetup& s, const std::string& path, std::string& error) {
    PatternRaster r;
    if (!BuildPattern(kind, s, r, error, platform::fileNamePart(path))) return false;
    RipWriter w;
    if (!w.Open(path, r.head)) {
        error = w.Error();
        return false;
    }
    const size_t line = size_t(r.head.uiColors) * r.head.uiBytesPerLine;
    for (uint32_t y = 0; y < r.head.uiHeight; ++y)
        if (!w.WriteLine(r.data.data() + y * line)) {
            error = w.Error();
            return false;
        }
    if (!w.Finish()) {
        error = w.Error();
        return false;
    }
    return true;
}

PatternKind TestPatternKind(unsigned index0) {
    static const PatternKind kinds[5] = {PatternKind::NozzleCheck, PatternKind::HeadAlignment,
                                         PatternKind::Bidirectional, PatternKind::FeedStep, PatternKind::ColorBars};
    return kinds[std::min(index0, 4u)];
}

const char* PatternName(PatternKind kind) {
    switch (kind) {
    case PatternKind::NozzleCheck: return "nozzle check";
    case PatternKind::HeadAlignment: return "head alignment";
    case PatternKind::Bidirectional: return "bidirectional alignment";
    case PatternKind::FeedStep: return "feed calibration";
    case PatternKind::ColorBars: return "colour bars";
    }
    return "";
}

std::vector<std::string> WriteTestPatterns(const SetupSettings& settings, const PatternSetup& setup,
                                           const std::string& dir, std::string& error) {
    // The files are written into dir: every name must be a plain file name there, checked
    // before anything is written.
    for (unsigned i = 0; i < 5; ++i) {
        const std::string& name = settings.TestPattern[i];
        if (const std::string why = platform::plainFileNameProblem(name); !why.empty()) {
            error = "TestPattern0" + std::to_string(i + 1) + " \"" + name + "\" refused (not a plain file name: " + why + ")";
            return {};
        }
    }
    std::vector<std::string> written;
    for (unsigned i = 0; i < 5; ++i) {
        const std::string path = platform::joinPath(dir, settings.TestPattern[i]);
        if (!WritePattern(TestPatternKind(i), setup, path, error)) {
            error = path + ": " + error;
            return {};
        }
        written.push_back(path);
    }
    return written;
}

} // namespace rip

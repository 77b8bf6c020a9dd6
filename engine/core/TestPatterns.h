#pragma once
// The machine's test-pattern files, made for a given head setup: a nozzle check, the head
// alignment pattern, a bidirectional alignment pattern, a feed (step) calibration pattern and a
// colour bar sheet. They are ordinary RIP files printed at the machine's native resolution.
#include <cstdint>
#include <string>
#include <vector>

#include "core/RipHead.h"

struct SetupSettings;

namespace rip {

struct PatternSetup {
    unsigned heads = 4;         // HEADS
    unsigned nozzles = 126;     // NOZZLESPERHEAD
    unsigned colors = 4;        // COLORS: one plane each
    unsigned linesPerHead = 1;  // LINESPERHEAD
    unsigned passes = 4;        // pass count the feed pattern marks its steps for
    uint32_t xdpi = 180, ydpi = 180;

    unsigned HeadsPerColor() const;
    unsigned RowsPerColor() const { return HeadsPerColor() * nozzles; }
};

// The setup's head geometry, at the native resolution of its X axis (25.4 / fMMPerXStep).
PatternSetup PatternSetupFrom(const SetupSettings& s);

enum class PatternKind { NozzleCheck, HeadAlignment, Bidirectional, FeedStep, ColorBars };

// An in-memory raster: planes interleaved line by line as in the file.
struct PatternRaster {
    RipHead head;
    std::vector<uint8_t> data;
    bool Dot(uint32_t plane, uint32_t x, uint32_t y) const;
    void Set(uint32_t plane, uint32_t x, uint32_t y);
    uint64_t Count(uint32_t plane) const;
};

// Pitch of the head-alignment pattern's blocks: 520 dots, 1040 for a file named "...360.prn".
uint32_t AlignmentPitch(const std::string& fileName);

// Builds a pattern. fileName matters only for the head-alignment pattern's pitch.
bool BuildPattern(PatternKind kind, const PatternSetup& setup, PatternRaster& out, std::string& error,
                  const std::string& fileName = "");
bool WritePattern(PatternKind kind, const PatternSetup& setup, const std::string& path, std::string& error);

// The kinds behind PRINTFILE TestPattern01 .. TestPattern05.
PatternKind TestPatternKind(unsigned index0);
const char* PatternName(PatternKind kind);

// Writes the five files named by the setup's TestPattern01 .. TestPattern05 into dir; returns
// the paths written, or an empty list with the reason in error.
std::vector<std::string> WriteTestPatterns(const SetupSettings& s, const PatternSetup& setup, const std::string& dir,
                                           std::string& error);

} // namespace rip

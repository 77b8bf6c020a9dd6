#pragma once
// Making a RIP print file from an ordinary picture or a synthetic test picture: resize to the
// print size, separate into ink planes, screen each plane to one bit and write the file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/RipHead.h"
#include "core/RipScreen.h"

namespace rip {

struct MkRipOptions {
    std::string input;               // picture file; empty with a synthetic size
    uint32_t syntheticWidth = 0;     // dots; non-zero: make a synthetic picture of this size
    uint32_t syntheticHeight = 0;
    uint32_t xdpi = 180, ydpi = 180;
    // Print size: dots, or millimetres (dots win). Neither: one dot per picture pixel. One of
    // the two: the other follows the picture's proportions.
    uint32_t widthDots = 0, heightDots = 0;
    double widthMM = 0, heightMM = 0;
    bool light = false;   // light cyan and light magenta planes
    bool white = false;   // a white plane under the picture
    bool varnish = false; // a varnish plane over the picture
    ScreenKind screen = ScreenKind::Diffusion;
};

struct MkRipResult {
    RipHead head;
    std::vector<std::string> planes;  // plane names in file order
    std::vector<double> coverage;     // share of dots set per plane, 0..1
};

using ProgressFn = std::function<void(uint64_t done, uint64_t total)>;

// Plane names in file order for the options: K, C, M, Y, then LC, LM, W, V as asked for.
std::vector<std::string> PlaneNames(const MkRipOptions& o);

// Separates one RGBA pixel (0..1; transparent parts are paper) into the ink amounts of the planes.
void Separate(const float* rgba, const MkRipOptions& o, float* inks);

bool MakeRip(const MkRipOptions& options, const std::string& outPath, MkRipResult& result, std::string& error,
             const ProgressFn& progress = {});

// "WIDTHxHEIGHT" or "N" (both the same) into two numbers; false when malformed or zero.
bool ParseSize(const std::string& text, uint32_t& a, uint32_t& b);

} // namespace rip

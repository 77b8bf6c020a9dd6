#pragma once
// Hand-made RIP print files for tests: a header, and raster bytes from a pattern or a function.
// Written byte by byte here (not through the engine's writer), so a fault in the engine's own
// writer cannot hide one in its reader.
#include <cstdint>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/RipFormat.h"
#include "core/RipHead.h"

namespace testsupport {

// A header for a picture of width x height dots in `planes` ink planes.
inline RipHead ripHead(uint32_t width, uint32_t height, uint32_t planes, uint32_t xdpi, uint32_t ydpi) {
    RipHead h;
    h.uiXDPI = xdpi;
    h.uiYDPI = ydpi;
    h.uiWidth = width;
    h.uiBytesPerLine = (width + 7) / 8;
    h.uiHeight = height;
    h.uiColors = planes;
    return h;
}
inline RipHead ripHead(uint32_t width, uint32_t height, uint32_t planes, uint32_t dpi = 360) {
    return ripHead(width, height, planes, dpi, dpi);
}

inline std::vector<uint8_t> ripHeadBytes(const RipHead& h) {
    std::vector<uint8_t> out(kRipHeadSize);
    EncodeRipHead(h, out.data());
    return out;
}

// Raster byte i of a file is a pattern of its position, so any misplaced byte shows.
inline uint8_t rasterByte(uint64_t i) { return uint8_t((i * 131) ^ (i >> 8)); }

// A whole file: the header and the pattern raster, `extra` bytes longer (or shorter) than it should be.
inline std::vector<uint8_t> ripBytes(const RipHead& h, int64_t extra = 0) {
    std::vector<uint8_t> v = ripHeadBytes(h);
    const int64_t n = int64_t(RipRasterBytes(h)) + extra;
    for (int64_t i = 0; i < n; ++i) v.push_back(rasterByte(uint64_t(i)));
    return v;
}

using RasterFn = std::function<uint8_t(uint32_t line, uint32_t plane, uint32_t byte)>;

// The raster in file order: line by line, each line plane by plane.
inline std::vector<uint8_t> ripBytes(const RipHead& h, const RasterFn& fn) {
    std::vector<uint8_t> v = ripHeadBytes(h);
    for (uint32_t y = 0; y < h.uiHeight; ++y)
        for (uint32_t p = 0; p < h.uiColors; ++p)
            for (uint32_t b = 0; b < h.uiBytesPerLine; ++b) v.push_back(fn(y, p, b));
    return v;
}

// A picture with ink to its edges: a one-dot frame in every plane and a random interior (about
// one dot in three), the same for the same seed.
inline std::vector<uint8_t> framedRipBytes(const RipHead& h, unsigned seed) {
    std::vector<uint8_t> v = ripHeadBytes(h);
    std::mt19937 rng(seed);
    const uint32_t w = h.uiWidth;
    for (uint32_t y = 0; y < h.uiHeight; ++y)
        for (uint32_t k = 0; k < h.uiColors; ++k) {
            std::vector<uint8_t> line(h.uiBytesPerLine, 0);
            for (uint32_t x = 0; x < w; ++x) {
                const bool edge = x == 0 || y == 0 || x == w - 1 || y == h.uiHeight - 1;
                if (edge || rng() % 3 == 0) line[x / 8] |= uint8_t(0x80 >> (x % 8));
            }
            v.insert(v.end(), line.begin(), line.end());
        }
    return v;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& v) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
    return bool(out);
}

inline bool writeRip(const std::string& path, const RipHead& h, const RasterFn& fn) {
    return writeBytes(path, ripBytes(h, fn));
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<uint8_t> out(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
    return out;
}

} // namespace testsupport

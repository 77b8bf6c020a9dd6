#pragma once
// Helpers of the RIP file tests: a fresh directory per test and hand-made RIP files.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/RipFormat.h"

namespace riptest {

struct TempDir {
    std::string path;
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "riptestXXXXXX").string();
        path = ::mkdtemp(t.data()) ? t : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

inline RipHead head(uint32_t width, uint32_t height, uint32_t colors, uint32_t dpi = 360) {
    RipHead h;
    h.uiXDPI = dpi;
    h.uiYDPI = dpi;
    h.uiWidth = width;
    h.uiBytesPerLine = (width + 7) / 8;
    h.uiHeight = height;
    h.uiColors = colors;
    return h;
}

// Raster byte i of a file is a pattern of its position, so any misplaced byte shows.
inline uint8_t rasterByte(uint64_t i) { return uint8_t((i * 131) ^ (i >> 8)); }

inline std::vector<uint8_t> ripBytes(const RipHead& h, int64_t extra = 0) {
    std::vector<uint8_t> v(kRipHeadSize);
    EncodeRipHead(h, v.data());
    int64_t n = int64_t(RipRasterBytes(h)) + extra;
    for (int64_t i = 0; i < n; ++i) v.push_back(rasterByte(uint64_t(i)));
    return v;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& v) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
}

} // namespace riptest

#pragma once
// Small RIP files and temporary folders for the preview and mark-file tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/RipFormat.h"
#include "core/RipHead.h"
#include "preview/RipSource.h"

namespace previewtest {

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "carvex-preview-XXXXXX").string();
        char* p = ::mkdtemp(tmpl.data());
        if (!p) throw std::runtime_error("mkdtemp failed");
        path_ = p;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string path_;
};

inline RipHead makeHead(uint32_t xdpi, uint32_t ydpi, uint32_t width, uint32_t height, uint32_t planes) {
    RipHead h;
    h.uiXDPI = xdpi;
    h.uiYDPI = ydpi;
    h.uiWidth = width;
    h.uiBytesPerLine = (width + 7) / 8;
    h.uiHeight = height;
    h.uiColors = planes;
    return h;
}

using ByteFn = std::function<uint8_t(uint32_t line, uint32_t plane, uint32_t byte)>;

inline std::vector<uint8_t> headBytes(const RipHead& h) {
    std::vector<uint8_t> out(kRipHeadSize);
    EncodeRipHead(h, out.data());
    return out;
}

// Writes a RIP file whose raster byte values come from fn.
inline void writeRip(const std::string& path, const RipHead& h, const ByteFn& fn) {
    std::vector<uint8_t> data = headBytes(h);
    for (uint32_t y = 0; y < h.uiHeight; ++y)
        for (uint32_t p = 0; p < h.uiColors; ++p)
            for (uint32_t b = 0; b < h.uiBytesPerLine; ++b) data.push_back(fn(y, p, b));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<uint8_t> out(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
    return out;
}

inline uint32_t le32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d.at(at)) | uint32_t(d.at(at + 1)) << 8 | uint32_t(d.at(at + 2)) << 16 | uint32_t(d.at(at + 3)) << 24;
}
inline uint16_t le16(const std::vector<uint8_t>& d, size_t at) { return uint16_t(d.at(at) | d.at(at + 1) << 8); }

} // namespace previewtest

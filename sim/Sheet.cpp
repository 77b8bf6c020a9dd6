#include "Sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <png.h>
#include <sstream>

namespace sim {

void Sheet::reset(double widthMM, double xdpi, double ydpi, int colours) {
    xdpi_ = xdpi > 0 ? xdpi : 0;
    ydpi_ = ydpi > 0 ? ydpi : 0;
    // Every dot whose place lies on the media: a sheet 1600 mm wide holds 11339 dots at 180 dpi,
    // the last one 0.06 mm inside its right edge.
    width_ = xdpi_ > 0 ? std::max<int64_t>(1, int64_t(std::ceil(widthMM * xdpi_ / 25.4 - 1e-6))) : 0;
    planes_.assign(size_t(std::clamp(colours, 1, 16)), {});
    extra_.assign(planes_.size(), {});
}

bool Sheet::drop(int colour, double xMM, double yMM) {
    if (!configured() || colour < 0 || colour >= colours()) return false;
    int64_t x = int64_t(std::floor(xMM * xdpi_ / 25.4 + 0.5));
    int64_t y = int64_t(std::floor(yMM * ydpi_ / 25.4 + 0.5));
    if (x < 0 || x >= width_ || y < 0 || y >= kMaxRows) return false;
    if (dot(colour, x, y)) addDrop(colour, x, y);
    else setDot(colour, x, y, true);
    return true;
}

void Sheet::addDrop(int colour, int64_t x, int64_t y) {
    Slices& s = extra_[size_t(colour)][y];
    const size_t byte = size_t(x >> 3);
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    constexpr size_t kSlices = 16; // kMaxDropCount - 1 extra drops
    if (s.size() == kSlices && extraDrops(s, x) >= kMaxDropCount - 1) return;
    // Binary increment: clear the trailing ones, set the next zero.
    for (size_t i = 0;; ++i) {
        if (i == s.size()) s.emplace_back(size_t((width_ + 7) / 8), 0);
        if (!(s[i][byte] & bit)) {
            s[i][byte] |= bit;
            return;
        }
        s[i][byte] &= uint8_t(~bit);
    }
}

uint32_t Sheet::extraDrops(const Slices& s, int64_t x) const {
    uint32_t n = 0;
    const size_t byte = size_t(x >> 3);
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i][byte] & bit) n |= 1u << i;
    return n;
}

uint32_t Sheet::dropCount(int colour, int64_t x, int64_t y) const {
    if (!dot(colour, x, y)) return 0;
    const auto& rows = extra_[size_t(colour)];
    auto it = rows.find(y);
    return 1 + (it == rows.end() ? 0 : extraDrops(it->second, x));
}

std::vector<uint32_t> Sheet::dropCounts(int colour, SheetRegion r) const {
    if (r.width <= 0 || r.height <= 0) return {};
    std::vector<uint32_t> out(size_t(r.width) * size_t(r.height), 0);
    if (colour < 0 || colour >= colours()) return out;
    const auto& plane = planes_[size_t(colour)];
    const auto& rows = extra_[size_t(colour)];
    for (int64_t y = 0; y < r.height; ++y) {
        auto it = plane.find(r.y0 + y);
        if (it == plane.end()) continue;
        auto ex = rows.find(r.y0 + y);
        uint32_t* o = &out[size_t(y) * size_t(r.width)];
        for (int64_t x = std::max<int64_t>(0, -r.x0); x < r.width && r.x0 + x < width_; ++x) {
            const int64_t sx = r.x0 + x;
            if (!(it->second[size_t(sx >> 3)] & (0x80 >> (sx & 7)))) continue;
            o[x] = 1 + (ex == rows.end() ? 0 : extraDrops(ex->second, sx));
        }
    }
    return out;
}

uint64_t Sheet::dropTotal(int colour) const {
    if (colour < 0 || colour >= colours()) return 0;
    uint64_t n = dots(colour);
    for (const auto& [y, slices] : extra_[size_t(colour)])
        for (size_t i = 0; i < slices.size(); ++i)
            for (uint8_t b : slices[i]) n += uint64_t(__builtin_popcount(b)) << i;
    return n;
}

void Sheet::setDot(int colour, int64_t x, int64_t y, bool on) {
    if (colour < 0 || colour >= colours() || x < 0 || x >= width_ || y < 0 || y >= kMaxRows) return;
    auto& plane = planes_[size_t(colour)];
    auto it = plane.find(y);
    if (it == plane.end()) {
        if (!on) return;
        it = plane.emplace(y, Row(size_t((width_ + 7) / 8), 0)).first;
    }
    uint8_t mask = uint8_t(0x80 >> (x & 7));
    if (on) {
        it->second[size_t(x >> 3)] |= mask;
        return;
    }
    it->second[size_t(x >> 3)] &= uint8_t(~mask);
    auto ex = extra_[size_t(colour)].find(y);
    if (ex != extra_[size_t(colour)].end())
        for (auto& slice : ex->second) slice[size_t(x >> 3)] &= uint8_t(~mask);
}

bool Sheet::dot(int colour, int64_t x, int64_t y) const {
    if (colour < 0 || colour >= colours() || x < 0 || x >= width_) return false;
    const auto& plane = planes_[size_t(colour)];
    auto it = plane.find(y);
    return it != plane.end() && (it->second[size_t(x >> 3)] & (0x80 >> (x & 7)));
}

uint64_t Sheet::dots(int colour) const {
    if (colour < 0 || colour >= colours()) return 0;
    uint64_t n = 0;
    for (const auto& [y, row] : planes_[size_t(colour)])
        for (uint8_t b : row) n += unsigned(__builtin_popcount(b));
    return n;
}

SheetRegion Sheet::extent() const {
    int64_t x0 = INT64_MAX, x1 = -1, y0 = INT64_MAX, y1 = -1;
    for (const auto& plane : planes_) {
        for (const auto& [y, row] : plane) {
            for (size_t i = 0; i < row.size(); ++i) {
                if (!row[i]) continue;
                for (int b = 0; b < 8; ++b) {
                    if (!(row[i] & (0x80 >> b))) continue;
                    int64_t x = int64_t(i) * 8 + b;
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
        }
    }
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

constexpr int64_t kMaxImagePixels = int64_t(1) << 31;

} // namespace

bool Sheet::savePng(const std::string& path, const std::vector<uint32_t>& inkRGB, SheetRegion r,
                    std::string* error) const {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (r.width <= 0 || r.height <= 0) r = extent();
    if (r.width <= 0 || r.height <= 0) r = {0, 0, std::max<int64_t>(1, width_), 1};
    if (r.width > (1 << 24) || r.height > (1 << 24) || r.width * r.height > kMaxImagePixels)
        return fail("sheet region too large for a picture");
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) return fail("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return fail("libpng unavailable");
    }
    std::vector<uint8_t> line(size_t(r.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return fail("cannot encode " + path);
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, png_uint_32(r.width), png_uint_32(r.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_uint_32 ppm = png_uint_32(std::lround(xdpi_ / 0.0254));
    png_uint_32 ppmY = png_uint_32(std::lround(ydpi_ / 0.0254));
    png_set_pHYs(png, info, ppm, ppmY, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (int64_t y = r.y0; y < r.y0 + r.height; ++y) {
        std::fill(line.begin(), line.end(), 255);
        for (int c = 0; c < colours(); ++c) {
            auto it = planes_[size_t(c)].find(y);
            if (it == planes_[size_t(c)].end()) continue;
            uint32_t ink = size_t(c) < inkRGB.size() ? inkRGB[size_t(c)] : 0x808080;
            uint8_t ir = uint8_t(ink >> 16), ig = uint8_t(ink >> 8), ib = uint8_t(ink);
            for (int64_t x = r.x0; x < r.x0 + r.width; ++x) {
                if (x < 0 || x >= width_ || !(it->second[size_t(x >> 3)] & (0x80 >> (x & 7)))) continue;
                uint8_t* p = &line[size_t(x - r.x0) * 3];
                p[0] = uint8_t(p[0] * ir / 255);
                p[1] = uint8_t(p[1] * ig / 255);
                p[2] = uint8_t(p[2] * ib / 255);
            }
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(f.get()) != 0) return fail("cannot write " + path);
    return true;
}

bool Sheet::saveRaw(const std::string& path, SheetRegion r, std::string* error) const {
    if (r.width <= 0 || r.height <= 0) r = {0, 0, width_, 0};
    if (r.height <= 0) {
        SheetRegion e = extent();
        r.height = e.width > 0 ? e.y0 + e.height : 0;
        r.y0 = 0;
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    char head[200];
    std::snprintf(head, sizeof head, "CARVEXSHEET 1 %d %lld %lld %.6f %.6f %lld %lld\n", colours(),
                  (long long)r.width, (long long)r.height, xdpi_, ydpi_, (long long)r.x0, (long long)r.y0);
    f << head;
    const size_t rowBytes = size_t((r.width + 7) / 8);
    std::vector<uint8_t> out(rowBytes);
    for (int c = 0; c < colours(); ++c) {
        for (int64_t y = r.y0; y < r.y0 + r.height; ++y) {
            std::fill(out.begin(), out.end(), 0);
            auto it = planes_[size_t(c)].find(y);
            if (it != planes_[size_t(c)].end()) {
                for (int64_t x = 0; x < r.width; ++x) {
                    int64_t sx = x + r.x0;
                    if (sx >= 0 && sx < width_ && (it->second[size_t(sx >> 3)] & (0x80 >> (sx & 7))))
                        out[size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
                }
            }
            f.write(reinterpret_cast<const char*>(out.data()), std::streamsize(rowBytes));
        }
    }
    if (!f.flush()) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool Sheet::loadRaw(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = path + ": " + why;
        return false;
    };
    std::ifstream f(path, std::ios::binary);
    if (!f) return fail("cannot read");
    std::string head;
    if (!std::getline(f, head) || head.size() > 200) return fail("no sheet header");
    int version = 0, colours = 0;
    long long w = 0, h = 0, x0 = 0, y0 = 0;
    double xd = 0, yd = 0;
    if (std::sscanf(head.c_str(), "CARVEXSHEET %d %d %lld %lld %lf %lf %lld %lld", &version, &colours, &w, &h, &xd,
                    &yd, &x0, &y0) != 8 ||
        version != 1)
        return fail("bad sheet header");
    if (colours < 1 || colours > 16 || w < 0 || w > (1 << 24) || h < 0 || h > kMaxRows || x0 != 0 || y0 < 0 ||
        y0 + h > kMaxRows || !(xd > 0) || !(yd > 0))
        return fail("sheet header out of range");
    Sheet s;
    s.xdpi_ = xd;
    s.ydpi_ = yd;
    s.width_ = w;
    s.planes_.assign(size_t(colours), {});
    s.extra_.assign(size_t(colours), {});
    const size_t rowBytes = size_t((w + 7) / 8);
    Row row(rowBytes);
    for (int c = 0; c < colours; ++c) {
        for (long long y = 0; y < h; ++y) {
            if (!f.read(reinterpret_cast<char*>(row.data()), std::streamsize(rowBytes))) return fail("truncated");
            if (std::any_of(row.begin(), row.end(), [](uint8_t b) { return b != 0; }))
                s.planes_[size_t(c)][y0 + y] = row;
        }
    }
    *this = std::move(s);
    return true;
}

} // namespace sim

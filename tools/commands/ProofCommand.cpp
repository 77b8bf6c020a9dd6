// carvex proof-compare FILE DIR: compare the sheet saved by "carvex print --proof DIR" with the
// planes of the RIP file, dot for dot, and draw the differences.
//
// The file's inked area is placed on the print's: a picture with blank margins prints only its
// ink, so the first inked dot of the file (over all planes) goes on the first inked dot of the
// sheet; the report says where on the media the file's left edge landed. Per plane it gives the
// dots expected, printed, missing and extra and where the first differences lie (file coordinates: x across, y down from the file's top-left dot); the
// difference image (DIR/diff.png unless --diff names another file) shows dots that match in grey,
// missing dots in red, extra dots in blue and both (in different planes) in magenta.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "Session.h"
#include "core/RipFormat.h"
#include "platform/Files.h"
#include "sim/Sheet.h"

namespace cli {
namespace {

constexpr int kListed = 8; // differences listed per plane

struct Region {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // [x0, x1) x [y0, y1)
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

// An RGB picture of the comparison, one pixel per dot.
bool writeDiffPng(const std::string& path, int64_t w, int64_t h, const std::vector<uint8_t>& kind, std::string& error) {
    if (w <= 0 || h <= 0 || w > (1 << 20) || h > (1 << 20)) {
        error = "no area to draw";
        return false;
    }
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = "cannot write " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        error = "libpng unavailable";
        return false;
    }
    std::vector<uint8_t> line(size_t(w) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot encode " + path;
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // kind: bit 0 inked and printed, bit 1 missing, bit 2 extra.
    static const uint8_t kColour[8][3] = {{255, 255, 255}, {176, 176, 176}, {255, 0, 0}, {255, 0, 0},
                                          {0, 0, 255},     {0, 0, 255},     {255, 0, 255}, {255, 0, 255}};
    for (int64_t y = 0; y < h; ++y) {
        for (int64_t x = 0; x < w; ++x) {
            const uint8_t* c = kColour[kind[size_t(y * w + x)] & 7];
            std::copy(c, c + 3, &line[size_t(x) * 3]);
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(f.get()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void add(CLI::App& app, Session& s) {
    static std::string file, dir, diffPath;
    file.clear(); // the program may be run more than once in one process (tests)
    dir.clear();
    diffPath.clear();
    auto* cmd = app.add_subcommand("proof-compare", "compare a printed proof with its RIP file");
    cmd->add_option("file", file, "RIP print file")->required();
    cmd->add_option("dir", dir, "folder of the proof")->required();
    cmd->add_option("--diff", diffPath, "difference image to write (default DIR/diff.png)");
    cmd->callback([&s] {
        std::ifstream f(file, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (bytes.size() < kRipHeadSize) {
            s.exitCode = reportError("not a RIP file: " + file);
            return;
        }
        const RipHead h = DecodeRipHead(bytes.data());
        const uint64_t need = kRipHeadSize + uint64_t(h.uiHeight) * h.uiColors * h.uiBytesPerLine;
        if (h.uiColors == 0 || h.uiColors > 16 || h.uiBytesPerLine == 0 || h.uiWidth > 8ull * h.uiBytesPerLine ||
            bytes.size() < need) {
            s.exitCode = reportError("RIP file header or raster is not usable: " + file);
            return;
        }
        sim::Sheet sheet;
        std::string err;
        if (!sheet.loadRaw(platform::joinPath(dir, "sheet.raw"), &err)) {
            s.exitCode = reportError("no proof in " + dir + (err.empty() ? "" : ": " + err));
            return;
        }
        auto want = [&](unsigned k, int64_t x, int64_t y) {
            if (k >= h.uiColors || x < 0 || y < 0 || x >= int64_t(h.uiWidth) || y >= int64_t(h.uiHeight)) return false;
            const uint8_t b = bytes[kRipHeadSize + (uint64_t(y) * h.uiColors + k) * h.uiBytesPerLine + uint64_t(x / 8)];
            return (b & (0x80 >> (x % 8))) != 0;
        };
        // The file's inked area over all planes.
        Region ink{INT64_MAX, INT64_MAX, -1, -1};
        for (int64_t y = 0; y < int64_t(h.uiHeight); ++y)
            for (unsigned k = 0; k < h.uiColors; ++k)
                for (int64_t x = 0; x < int64_t(h.uiWidth); ++x)
                    if (want(k, x, y)) {
                        ink.x0 = std::min(ink.x0, x);
                        ink.y0 = std::min(ink.y0, y);
                        ink.x1 = std::max(ink.x1, x + 1);
                        ink.y1 = std::max(ink.y1, y + 1);
                    }
        if (ink.x1 < 0) ink = {};
        const auto ext = sheet.extent();
        // Sheet dot = file dot + (ox, oy).
        const int64_t ox = ext.x0 - ink.x0, oy = ext.y0 - ink.y0;
        if (ext.width > 0 && !ink.empty() && (ext.width != ink.x1 - ink.x0 || ext.height != ink.y1 - ink.y0))
            std::printf("print is %lld x %lld dots, the file's ink %lld x %lld\n", (long long)ext.width,
                        (long long)ext.height, (long long)(ink.x1 - ink.x0), (long long)(ink.y1 - ink.y0));
        // Where the picture lies on the media: its left edge counted from the media's.
        if (ext.width > 0 && !ink.empty() && sheet.xdpi() > 0)
            std::printf("placed at dot %lld of the media (%.2f mm from its left edge)\n", (long long)ox,
                        double(ox) * 25.4 / sheet.xdpi());
        // Compared area in file coordinates: the file and the print placed on it.
        Region area{0, 0, int64_t(h.uiWidth), int64_t(h.uiHeight)};
        if (ext.width > 0) {
            area.x0 = std::min(area.x0, ext.x0 - ox);
            area.y0 = std::min(area.y0, ext.y0 - oy);
            area.x1 = std::max(area.x1, ext.x0 - ox + ext.width);
            area.y1 = std::max(area.y1, ext.y0 - oy + ext.height);
        }
        const int64_t aw = area.x1 - area.x0, ah = area.y1 - area.y0;
        const bool drawable = aw > 0 && ah > 0 && aw <= (1 << 20) && ah <= (1 << 20) && aw * ah <= (int64_t(1) << 28);
        std::vector<uint8_t> kind(drawable ? size_t(aw * ah) : 0, 0);

        const unsigned planes = std::max<unsigned>(h.uiColors, unsigned(std::max(0, sheet.colours())));
        bool exact = true;
        for (unsigned k = 0; k < planes; ++k) {
            uint64_t expected = 0, printed = 0, missing = 0, extra = 0;
            std::string listed;
            int shown = 0;
            for (int64_t y = area.y0; y < area.y1; ++y) {
                const std::vector<uint32_t> row =
                    int(k) < sheet.colours() ? sheet.dropCounts(int(k), {area.x0 + ox, y + oy, aw, 1}) : std::vector<uint32_t>();
                for (int64_t x = area.x0; x < area.x1; ++x) {
                    const bool w = want(k, x, y);
                    const bool got = !row.empty() && row[size_t(x - area.x0)] > 0;
                    expected += w;
                    printed += got;
                    uint8_t* at = drawable ? &kind[size_t((y - area.y0) * aw + (x - area.x0))] : nullptr;
                    if (w == got) {
                        if (w && at) *at |= 1;
                        continue;
                    }
                    missing += w;
                    extra += got;
                    if (at) *at |= w ? 2 : 4;
                    if (shown < kListed) {
                        char b[96];
                        std::snprintf(b, sizeof b, "%sx %lld y %lld (%s)", shown ? ", " : "", (long long)x, (long long)y,
                                      w ? "missing" : "extra");
                        listed += b;
                        ++shown;
                    }
                }
            }
            std::printf("plane %u: expected %llu printed %llu missing %llu extra %llu", k, (unsigned long long)expected,
                        (unsigned long long)printed, (unsigned long long)missing, (unsigned long long)extra);
            if (shown) std::printf(" first difference at %s", listed.c_str());
            std::printf("\n");
            if (missing || extra) exact = false;
        }
        const std::string diff = diffPath.empty() ? platform::joinPath(dir, "diff.png") : diffPath;
        if (drawable) {
            if (writeDiffPng(diff, aw, ah, kind, err)) std::printf("difference image: %s\n", diff.c_str());
            else std::printf("difference image not written: %s\n", err.c_str());
        } else {
            std::printf("difference image not written: the compared area is too large\n");
        }
        std::fflush(stdout);
        if (!exact) {
            s.exitCode = reportError("the proof differs from " + file);
            return;
        }
        reportOk("the proof matches " + file + " dot for dot");
    });
}

const CommandRegistrar reg(add);

} // namespace
} // namespace cli

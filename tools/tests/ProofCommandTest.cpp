// The whole road on the command line: a picture made into a 4-plane RIP file with carvex mkrip,
// printed in 4 bidirectional passes on the virtual printer with a proof, compared plane by plane
// with carvex proof-compare, and the proof's picture compared with the planes and the picture.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "CliTestSupport.h"
#include "core/RipFormat.h"
#include "hardware/Devices.h"
#include "platform/Files.h"
#include "rip/Image.h"
#include "sim/Sim.h"

namespace {

using clitest::Result;
using clitest::runCli;

void writeText(const std::string& path, const std::string& text) { ASSERT_TRUE(platform::writeFileAtomic(path, text)); }

// Heads where the setup says they are, and inks in the file's plane order (K, C, M, Y) so that
// the sheet's picture shows the colours the picture had.
void prepareBase(const std::string& base) {
    writeText(platform::joinPath(base, "machine.ini"),
              "[Heads]\nMisplacement = 0\n[Sheet]\nInk0 = 0x000000\nInk1 = 0x00FFFF\nInk2 = 0xFF00FF\nInk3 = 0xFFFF00\n");
    std::string setup = "[PRINTMODE]\nbUnidirection=0\n"
                        "[HEADALIGNMENT]\n";
    for (int h = 1; h <= 4; ++h) setup += "HeadOffsetXL" + std::to_string(h) + "=1049\n";
    setup += "[BASEHEADALIGNMENT]\nCOLORCACHE=2\nHEADCACHE=2\n";
    for (int h = 1; h <= 4; ++h) setup += "HeadOffsetXL" + std::to_string(h) + "=1049\n";
    writeText(platform::joinPath(base, "setup.ini"), setup);
    // A process opens its devices once; earlier runs in this process may have opened them with
    // another machine file. Open a fresh virtual printer from this one, as a new process would.
    ASSERT_TRUE(platform::changeDir(base));
    hw::openDevices("sim");
}

struct Rgb {
    uint8_t r, g, b;
};

// The picture: blocks of solid colours and a mid grey on white, with a white margin around them.
constexpr unsigned kW = 200, kH = 150;
struct Block {
    unsigned x, y, w, h;
    Rgb c;
};
const Block kBlocks[] = {
    {10, 12, 45, 64, {255, 0, 0}},   {55, 12, 45, 64, {0, 255, 0}},   {100, 12, 45, 64, {0, 0, 255}},
    {145, 12, 45, 64, {0, 0, 0}},    {10, 76, 45, 64, {0, 255, 255}}, {55, 76, 45, 64, {255, 0, 255}},
    {100, 76, 45, 64, {255, 255, 0}}, {145, 76, 45, 64, {128, 128, 128}},
};

Rgb pictureAt(unsigned x, unsigned y) {
    for (const Block& b : kBlocks)
        if (x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h) return b.c;
    return {255, 255, 255};
}

void writePicture(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ASSERT_TRUE(png && info);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        FAIL() << "png";
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kW, kH, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(kW * 3);
    for (unsigned y = 0; y < kH; ++y) {
        for (unsigned x = 0; x < kW; ++x) {
            const Rgb c = pictureAt(x, y);
            row[x * 3] = c.r;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// A RIP file's planes.
struct Rip {
    RipHead head{};
    std::vector<uint8_t> bytes;
    bool dot(unsigned k, unsigned x, unsigned y) const {
        return bytes[kRipHeadSize + (size_t(y) * head.uiColors + k) * head.uiBytesPerLine + x / 8] & (0x80 >> (x % 8));
    }
    void flip(unsigned k, unsigned x, unsigned y) {
        bytes[kRipHeadSize + (size_t(y) * head.uiColors + k) * head.uiBytesPerLine + x / 8] ^= uint8_t(0x80 >> (x % 8));
    }
};

Rip readRip(const std::string& path) {
    Rip r;
    std::ifstream f(path, std::ios::binary);
    r.bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (r.bytes.size() >= kRipHeadSize) r.head = DecodeRipHead(r.bytes.data());
    return r;
}

// "plane K: expected E printed P missing M extra X" of a proof-compare report.
struct PlaneLine {
    unsigned long long expected = 0, printed = 0, missing = 0, extra = 0;
    bool found = false;
};
PlaneLine planeLine(const std::string& out, unsigned k) {
    PlaneLine p;
    const std::string key = "plane " + std::to_string(k) + ": ";
    const size_t at = out.find(key);
    if (at == std::string::npos) return p;
    p.found = std::sscanf(out.c_str() + at + key.size(), "expected %llu printed %llu missing %llu extra %llu", &p.expected,
                          &p.printed, &p.missing, &p.extra) == 4;
    return p;
}

constexpr uint32_t kInks[4] = {0x000000, 0x00FFFF, 0xFF00FF, 0xFFFF00};

TEST(ProofCommand, PictureThroughMkripPrintAndCompare) {
    clitest::TempBase t("carvex-proof");
    prepareBase(t.path);
    const std::string picture = platform::joinPath(t.path, "picture.png");
    writePicture(picture);
    const std::string rip = platform::joinPath(t.path, "picture.prn");
    Result mk = runCli({"--base", t.path, "mkrip", picture, "--dpi", "180", "-o", rip});
    ASSERT_EQ(mk.code, 0) << mk.out << mk.err;
    const Rip file = readRip(rip);
    ASSERT_EQ(file.head.uiColors, 4u);
    ASSERT_EQ(file.head.uiWidth, kW);
    ASSERT_EQ(file.head.uiHeight, kH);

    const std::string proof = platform::joinPath(t.path, "proof");
    Result p = runCli({"--base", t.path, "--time-scale", "1000", "print", rip, "--passes", "4", "--proof", proof});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    // Four passes a band, printed both ways.
    const auto passes = sim::machine()->passes();
    ASSERT_GE(passes.size(), 8u);
    bool toLeft = false, toRight = false;
    for (const auto& ps : passes) {
        EXPECT_TRUE(ps.complete);
        toLeft |= ps.dir < 0;
        toRight |= ps.dir > 0;
    }
    EXPECT_TRUE(toLeft && toRight);

    Result c = runCli({"--base", t.path, "proof-compare", rip, proof});
    EXPECT_EQ(c.code, 0) << c.out << c.err;
    for (unsigned k = 0; k < 4; ++k) {
        const PlaneLine pl = planeLine(c.out, k);
        ASSERT_TRUE(pl.found) << c.out;
        EXPECT_GT(pl.expected, 500u) << "plane " << k;
        EXPECT_EQ(pl.printed, pl.expected) << "plane " << k;
        EXPECT_EQ(pl.missing, 0u) << "plane " << k;
        EXPECT_EQ(pl.extra, 0u) << "plane " << k;
    }
    EXPECT_TRUE(platform::fileExists(platform::joinPath(proof, "diff.png")));

    // The file's inked area: the proof's picture shows exactly that.
    unsigned x0 = kW, y0 = kH, x1 = 0, y1 = 0;
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x)
            for (unsigned k = 0; k < 4; ++k)
                if (file.dot(k, x, y)) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x + 1);
                    y1 = std::max(y1, y + 1);
                }
    rip::Picture sheet;
    std::string err;
    ASSERT_TRUE(rip::LoadPicture(platform::joinPath(proof, "sheet.png"), sheet, err)) << err;
    ASSERT_EQ(sheet.width, x1 - x0);
    ASSERT_EQ(sheet.height, y1 - y0);
    // Every pixel is the inks of the planes that have the dot, multiplied on white.
    uint64_t wrong = 0;
    for (unsigned y = 0; y < sheet.height; ++y)
        for (unsigned x = 0; x < sheet.width; ++x) {
            unsigned rgb[3] = {255, 255, 255};
            for (unsigned k = 0; k < 4; ++k)
                if (file.dot(k, x + x0, y + y0))
                    for (int i = 0; i < 3; ++i) rgb[i] = rgb[i] * ((kInks[k] >> (16 - 8 * i)) & 0xFF) / 255;
            const uint8_t* px = &sheet.rgba[(size_t(y) * sheet.width + x) * 4];
            wrong += px[0] != rgb[0] || px[1] != rgb[1] || px[2] != rgb[2];
        }
    EXPECT_EQ(wrong, 0u);
    // And it looks like the picture: each block's mean colour is the block's colour (the grey is
    // screened, so it is only near its tone).
    for (const Block& b : kBlocks) {
        double sum[3] = {0, 0, 0};
        unsigned n = 0;
        for (unsigned y = b.y + 3; y < b.y + b.h - 3; ++y)
            for (unsigned x = b.x + 3; x < b.x + b.w - 3; ++x) {
                const uint8_t* px = &sheet.rgba[(size_t(y - y0) * sheet.width + (x - x0)) * 4];
                for (int i = 0; i < 3; ++i) sum[i] += px[i];
                ++n;
            }
        const double want[3] = {double(b.c.r), double(b.c.g), double(b.c.b)};
        const bool grey = b.c.r == 128;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(sum[i] / n, want[i], grey ? 30.0 : 2.0)
                << "block at " << b.x << "," << b.y << " channel " << i;
    }
    // The margin the picture left white is not on the sheet.
    EXPECT_EQ(x0, kBlocks[0].x);
    EXPECT_EQ(y0, kBlocks[0].y);
}

// A file that differs from the print in a few known dots: each is counted in its plane, located
// in file coordinates and drawn in the difference image.
TEST(ProofCommand, DifferencesAreCountedLocatedAndDrawn) {
    clitest::TempBase t("carvex-proof");
    prepareBase(t.path);
    const std::string picture = platform::joinPath(t.path, "picture.png");
    writePicture(picture);
    const std::string rip = platform::joinPath(t.path, "picture.prn");
    ASSERT_EQ(runCli({"--base", t.path, "mkrip", picture, "--dpi", "180", "-o", rip}).code, 0);
    const std::string proof = platform::joinPath(t.path, "proof");
    ASSERT_EQ(runCli({"--base", t.path, "--time-scale", "1000", "print", rip, "--passes", "2", "--proof", proof}).code, 0);

    // Plane 2 (magenta): a dot of the magenta block taken out of the file and one put into the
    // yellow block, which has no magenta; plane 1 (cyan): a dot of the cyan block taken out.
    Rip other = readRip(rip);
    ASSERT_TRUE(other.dot(2, 70, 100));   // magenta block
    ASSERT_FALSE(other.dot(2, 120, 100)); // yellow block
    other.flip(2, 70, 100);
    other.flip(2, 120, 100);
    ASSERT_TRUE(other.dot(1, 30, 90)); // cyan block
    other.flip(1, 30, 90);
    const std::string changed = platform::joinPath(t.path, "changed.prn");
    {
        std::ofstream f(changed, std::ios::binary);
        f.write(reinterpret_cast<const char*>(other.bytes.data()), std::streamsize(other.bytes.size()));
    }
    const std::string diff = platform::joinPath(t.path, "d.png");
    Result c = runCli({"--base", t.path, "proof-compare", changed, proof, "--diff", diff});
    EXPECT_NE(c.code, 0);
    // The file now lacks a magenta dot the print has and wants one it does not.
    const PlaneLine m = planeLine(c.out, 2), cy = planeLine(c.out, 1), k = planeLine(c.out, 0);
    ASSERT_TRUE(m.found && cy.found && k.found) << c.out;
    EXPECT_EQ(m.missing, 1u);
    EXPECT_EQ(m.extra, 1u);
    EXPECT_EQ(cy.missing, 0u);
    EXPECT_EQ(cy.extra, 1u);
    EXPECT_EQ(k.missing + k.extra, 0u);
    EXPECT_NE(c.out.find("first difference at x 70 y 100 (extra), x 120 y 100 (missing)"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("first difference at x 30 y 90 (extra)"), std::string::npos) << c.out;

    rip::Picture img;
    std::string err;
    ASSERT_TRUE(rip::LoadPicture(diff, img, err)) << err;
    ASSERT_EQ(img.width, kW);
    ASSERT_EQ(img.height, kH);
    auto at = [&](unsigned x, unsigned y) {
        const uint8_t* p = &img.rgba[(size_t(y) * img.width + x) * 4];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    };
    EXPECT_EQ(at(70, 100), 0x0000FFu);  // extra
    EXPECT_EQ(at(120, 100), 0xFF0000u); // missing
    EXPECT_EQ(at(30, 90), 0x0000FFu);
    EXPECT_EQ(at(2, 2), 0xFFFFFFu);     // no ink on either
    EXPECT_EQ(at(160, 20), 0xB0B0B0u);  // black block, printed as asked
}

} // namespace

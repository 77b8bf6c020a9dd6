#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <png.h>
#include <stb/stb_image_write.h>

#include "Session.h"
#include "console/Console.h"
#include "core/DrvPrint.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "rip/Image.h"
#include "rip/MkRip.h"
#include "core/TestPatterns.h"
#include "rip/Progress.h"
#include "core/RipScreen.h"
#include "testsupport/ScratchDir.h"

namespace {

// A scratch folder; the working folder (which "--base" moves into it) is put back first.
struct TempDir : testsupport::ScratchDir {
    std::filesystem::path old = std::filesystem::current_path();
    TempDir() : ScratchDir("riptools") {}
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(old, ec);
    }
};

// A whole RIP file read back: header and raster.
struct RipFile {
    RipHead head;
    std::vector<uint8_t> bytes;
    explicit RipFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (bytes.size() >= 48) head = DecodeRipHead(bytes.data());
    }
    bool dot(uint32_t plane, uint32_t x, uint32_t y) const {
        size_t off = 48 + (size_t(y) * head.uiColors + plane) * head.uiBytesPerLine + x / 8;
        return bytes.at(off) & (0x80 >> (x % 8));
    }
    double coverage(uint32_t plane) const {
        uint64_t n = 0;
        for (uint32_t y = 0; y < head.uiHeight; ++y)
            for (uint32_t x = 0; x < head.uiWidth; ++x) n += dot(plane, x, y);
        return double(n) / (double(head.uiWidth) * head.uiHeight);
    }
};

void writePng(const std::string& path, uint32_t w, uint32_t h, const uint8_t rgba[4]) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = rgba[i % 4];
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = w;
    img.height = h;
    img.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&img, path.c_str(), 0, px.data(), 0, nullptr));
}

std::vector<uint8_t> solidRgb(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> px;
    for (size_t i = 0; i < size_t(w) * h; ++i) px.insert(px.end(), {r, g, b});
    return px;
}

rip::MkRipResult make(const rip::MkRipOptions& o, const std::string& out) {
    rip::MkRipResult r;
    std::string err;
    EXPECT_TRUE(rip::MakeRip(o, out, r, err)) << err;
    return r;
}

// ---- separation and screening

TEST(MkRipSeparation, InksOfKnownColours) {
    rip::MkRipOptions o;
    float inks[8];
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    rip::Separate(grey, o, inks);
    EXPECT_NEAR(inks[0], 0.5f, 1e-6);
    EXPECT_NEAR(inks[1] + inks[2] + inks[3], 0.0f, 1e-6);
    const float red[4] = {1, 0, 0, 1};
    rip::Separate(red, o, inks);
    EXPECT_FLOAT_EQ(inks[0], 0);
    EXPECT_FLOAT_EQ(inks[1], 0);
    EXPECT_FLOAT_EQ(inks[2], 1);
    EXPECT_FLOAT_EQ(inks[3], 1);
    const float clear[4] = {0, 0, 0, 0}; // transparent black is paper
    rip::Separate(clear, o, inks);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(inks[i], 0) << i;

    o.light = o.white = o.varnish = true;
    EXPECT_EQ(rip::PlaneNames(o), (std::vector<std::string>{"K", "C", "M", "Y", "LC", "LM", "W", "V"}));
    const float paleCyan[4] = {0.8f, 1, 1, 0.5f};
    rip::Separate(paleCyan, o, inks);
    EXPECT_FLOAT_EQ(inks[1], 0);             // no dark cyan for a pale tone
    EXPECT_NEAR(inks[4], 0.1f / (1 / 3.0f), 1e-5); // light cyan carries it (10% after the alpha)
    EXPECT_FLOAT_EQ(inks[6], 0.5f);          // white and varnish follow the picture's coverage
    EXPECT_FLOAT_EQ(inks[7], 0.5f);
    const float deepCyan[4] = {0, 1, 1, 1};
    rip::Separate(deepCyan, o, inks);
    EXPECT_FLOAT_EQ(inks[1], 1);
    EXPECT_FLOAT_EQ(inks[4], 0);
}

TEST(MkRipScreen, BothScreensKeepTheTone) {
    std::set<float> thresholds;
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) thresholds.insert(rip::OrderedThreshold(x, y));
    EXPECT_EQ(thresholds.size(), 256u);
    EXPECT_GT(*thresholds.begin(), 0.0f);
    EXPECT_LT(*thresholds.rbegin(), 1.0f);
    for (auto kind : {rip::ScreenKind::Diffusion, rip::ScreenKind::Ordered})
        for (float tone : {0.0f, 0.1f, 0.25f, 0.5f, 0.9f, 1.0f}) {
            const uint32_t w = 77; // not a multiple of 8: the last byte is partly used
            rip::PlaneScreen s(kind, w);
            std::vector<float> row(w, tone);
            std::vector<uint8_t> out((w + 7) / 8);
            for (int y = 0; y < 64; ++y) {
                s.Row(row.data(), out.data());
                EXPECT_EQ(out.back() & 0x07, 0) << "dots past the width";
            }
            EXPECT_NEAR(double(s.DotsSet()) / (w * 64.0), tone, 0.015) << int(kind) << " " << tone;
        }
}

TEST(MkRipResample, TapsAddUpToOne) {
    for (auto [src, dst] : {std::pair{100u, 33u}, {33u, 100u}, {1u, 50u}, {50u, 1u}, {7u, 7u}}) {
        auto t = rip::ResampledPicture::MakeTaps(src, dst);
        ASSERT_EQ(t.start.size(), dst + 1);
        for (uint32_t o = 0; o < dst; ++o) {
            float sum = 0;
            for (uint32_t k = t.start[o]; k < t.start[o + 1]; ++k) {
                EXPECT_LT(t.index[k], src);
                sum += t.weight[k];
            }
            EXPECT_NEAR(sum, 1.0f, 1e-4) << src << "->" << dst << " at " << o;
        }
    }
}

// ---- mkrip output read back

TEST(MkRip, SyntheticPictureHasContentToItsEdges) {
    TempDir dir;
    rip::MkRipOptions o;
    o.syntheticWidth = 301;
    o.syntheticHeight = 150;
    o.xdpi = 720;
    o.ydpi = 360;
    auto r = make(o, dir.file("s.prn"));
    RipFile f(dir.file("s.prn"));
    EXPECT_EQ(f.head.uiWidth, 301u);
    EXPECT_EQ(f.head.uiHeight, 150u);
    EXPECT_EQ(f.head.uiBytesPerLine, 38u);
    EXPECT_EQ(f.head.uiColors, 4u);
    EXPECT_EQ(f.head.uiXDPI, 720u);
    EXPECT_EQ(f.head.uiYDPI, 360u);
    EXPECT_EQ(f.bytes.size(), RipExpectedFileSize(f.head));
    EXPECT_EQ(ValidateRipHead(f.head, f.bytes.size()), "");
    for (uint32_t x = 0; x < 301; ++x) EXPECT_TRUE(f.dot(0, x, 0) && f.dot(0, x, 149)) << x;
    for (uint32_t y = 0; y < 150; ++y) EXPECT_TRUE(f.dot(0, 0, y) && f.dot(0, 300, y)) << y;
    for (uint32_t p = 0; p < 4; ++p) {
        EXPECT_GT(f.coverage(p), 0.1) << p;
        EXPECT_LT(f.coverage(p), 0.6) << p;
        EXPECT_NEAR(f.coverage(p), r.coverage[p], 1e-9) << p;
    }
}

TEST(MkRip, PngGreyGivesHalfBlackOnly) {
    TempDir dir;
    const uint8_t grey[4] = {128, 128, 128, 255};
    writePng(dir.file("g.png"), 40, 30, grey);
    for (auto screen : {rip::ScreenKind::Diffusion, rip::ScreenKind::Ordered}) {
        rip::MkRipOptions o;
        o.input = dir.file("g.png");
        o.xdpi = o.ydpi = 360;
        o.widthMM = 25.4; // 360 dots at 360 dpi; the height follows the picture: 270
        o.screen = screen;
        make(o, dir.file("g.prn"));
        RipFile f(dir.file("g.prn"));
        EXPECT_EQ(f.head.uiWidth, 360u);
        EXPECT_EQ(f.head.uiHeight, 270u);
        EXPECT_NEAR(f.coverage(0), 127.0 / 255.0, 0.02);
        for (uint32_t p = 1; p < 4; ++p) EXPECT_EQ(f.coverage(p), 0.0) << p;
    }
}

TEST(MkRip, BmpAndJpegPicturesAreRead) {
    TempDir dir;
    auto blue = solidRgb(16, 16, 0, 0, 255);
    ASSERT_TRUE(stbi_write_bmp(dir.file("b.bmp").c_str(), 16, 16, 3, blue.data()));
    ASSERT_TRUE(stbi_write_jpg(dir.file("b.jpg").c_str(), 16, 16, 3, blue.data(), 95));
    for (const char* name : {"b.bmp", "b.jpg"}) {
        rip::MkRipOptions o;
        o.input = dir.file(name);
        o.widthDots = 64;
        o.heightDots = 48;
        make(o, dir.file("b.prn"));
        RipFile f(dir.file("b.prn"));
        EXPECT_EQ(f.head.uiWidth, 64u);
        EXPECT_EQ(f.head.uiHeight, 48u);
        EXPECT_GT(f.coverage(1), 0.9) << name; // blue = cyan + magenta
        EXPECT_GT(f.coverage(2), 0.9) << name;
        EXPECT_LT(f.coverage(3), 0.05) << name;
        EXPECT_LT(f.coverage(0), 0.05) << name;
    }
}

TEST(MkRip, ExtraPlanesFollowThePicture) {
    TempDir dir;
    const uint8_t halfClearRed[4] = {255, 0, 0, 128};
    writePng(dir.file("r.png"), 8, 8, halfClearRed);
    rip::MkRipOptions o;
    o.input = dir.file("r.png");
    o.light = o.white = o.varnish = true;
    o.widthDots = o.heightDots = 64;
    auto r = make(o, dir.file("r.prn"));
    RipFile f(dir.file("r.prn"));
    EXPECT_EQ(f.head.uiColors, 8u);
    ASSERT_EQ(r.planes.size(), 8u);
    EXPECT_NEAR(f.coverage(6), 0.5, 0.03); // white
    EXPECT_NEAR(f.coverage(7), 0.5, 0.03); // varnish
    EXPECT_EQ(f.coverage(1), 0.0);         // no cyan in red
}

TEST(MkRip, BadInputIsRefusedClearly) {
    TempDir dir;
    std::ofstream(dir.file("text.png")) << "this is not a picture";
    struct Case {
        rip::MkRipOptions o;
        const char* word;
    } cases[4];
    cases[0].o.input = dir.file("missing.png");
    cases[0].word = "cannot open";
    cases[1].o.input = dir.file("text.png");
    cases[1].word = "not a picture";
    cases[2].o.syntheticWidth = kRipMaxWidth + 1;
    cases[2].o.syntheticHeight = 10;
    cases[2].word = "out of range";
    cases[3].o.syntheticWidth = cases[3].o.syntheticHeight = 10;
    cases[3].o.xdpi = 0;
    cases[3].word = "resolution";
    for (auto& c : cases) {
        rip::MkRipResult r;
        std::string err;
        EXPECT_FALSE(rip::MakeRip(c.o, dir.file("out.prn"), r, err));
        EXPECT_NE(err.find(c.word), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.prn")));
    }
    uint32_t a, b;
    EXPECT_TRUE(rip::ParseSize("720x360", a, b));
    EXPECT_EQ(a, 720u);
    EXPECT_EQ(b, 360u);
    EXPECT_TRUE(rip::ParseSize("180", a, b));
    EXPECT_EQ(b, 180u);
    for (const char* bad : {"", "x", "0x5", "12x", "-3", "9999999999x1", "1x2x3"}) EXPECT_FALSE(rip::ParseSize(bad, a, b)) << bad;
}

TEST(MkRip, ProgressIsABarOnATerminalAndLinesOtherwise) {
    std::ostringstream tty, plain;
    rip::Progress a(tty, true, "mkrip"), b(plain, false, "mkrip");
    for (int i = 0; i <= 100; ++i) {
        a.Update(i, 100);
        b.Update(i, 100);
    }
    a.Finish();
    b.Finish();
    EXPECT_NE(tty.str().find("\rmkrip [##############################] 100%"), std::string::npos);
    const std::string lines = plain.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 11);
    EXPECT_EQ(lines.find('\r'), std::string::npos);
}

// ---- test patterns

rip::PatternSetup eightHeads() {
    rip::PatternSetup s;
    s.heads = 8;
    s.nozzles = 128;
    s.colors = 4;
    return s;
}

TEST(Patterns, NozzleCheckGivesEveryNozzleItsOwnLine) {
    rip::PatternRaster r;
    std::string err;
    auto s = eightHeads();
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::NozzleCheck, s, r, err)) << err;
    EXPECT_EQ(r.head.uiHeight, 256u); // two heads per colour, one line per nozzle row
    EXPECT_EQ(r.head.uiColors, 4u);
    EXPECT_EQ(r.head.uiXDPI, 180u);
    for (uint32_t c = 0; c < 4; ++c)
        for (uint32_t y = 0; y < r.head.uiHeight; ++y) {
            std::vector<uint32_t> xs;
            for (uint32_t x = 0; x < r.head.uiWidth; ++x)
                if (r.Dot(c, x, y)) xs.push_back(x);
            ASSERT_FALSE(xs.empty()) << "colour " << c << " nozzle row " << y;
            EXPECT_EQ(xs.back() - xs.front() + 1, xs.size()); // one unbroken segment
            if (y > 0) {
                // Its neighbour's segment lies elsewhere, so a missing nozzle leaves a gap.
                bool overlap = false;
                for (uint32_t x : xs) overlap |= r.Dot(c, x, y - 1);
                EXPECT_FALSE(overlap) << y;
            }
        }
}

TEST(Patterns, HeadAlignmentPitchAndContent) {
    rip::PatternRaster r;
    std::string err;
    auto s = eightHeads();
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::HeadAlignment, s, r, err, "~TP02-BQZ128x12.prn"));
    EXPECT_LT(r.head.uiWidth, 520u);
    EXPECT_EQ(r.head.uiHeight, 128u); // one head's nozzles
    for (uint32_t c = 0; c < 4; ++c) {
        EXPECT_GT(r.Count(c), 0u);
        // The first and last nozzle rows of each colour are drawn (the vertical reference).
        bool top = false, bottom = false;
        for (uint32_t x = 0; x < r.head.uiWidth; ++x) {
            top |= r.Dot(c, x, 0);
            bottom |= r.Dot(c, x, 127);
        }
        EXPECT_TRUE(top && bottom) << c;
    }
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::HeadAlignment, s, r, err, "TP02-360.prn"));
    EXPECT_GT(r.head.uiWidth, 520u);
    EXPECT_LT(r.head.uiWidth, 1040u);
    EXPECT_EQ(rip::AlignmentPitch("a360.prn"), 1040u);
    EXPECT_EQ(rip::AlignmentPitch("a360.prt"), 520u);
}

TEST(Patterns, FeedAndBarsAndBidirectional) {
    auto s = eightHeads();
    s.passes = 4;
    rip::PatternRaster r;
    std::string err;
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::FeedStep, s, r, err));
    // The ruler marks every pass step: 256 rows / 4 passes = 64 lines.
    const uint32_t ruler = r.head.uiWidth - 40;
    for (uint32_t y = 0; y < r.head.uiHeight; ++y) EXPECT_EQ(r.Dot(0, ruler, y), y % 64 == 0) << y;
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::ColorBars, s, r, err));
    EXPECT_EQ(r.head.uiHeight, 5u * 70);
    uint32_t inHalfCell = 0;
    for (uint32_t y = 0; y < 60; ++y)
        for (uint32_t x = 140; x < 200; ++x) inHalfCell += r.Dot(0, x, y);
    EXPECT_NEAR(inHalfCell / 3600.0, 0.5, 0.02);
    ASSERT_TRUE(rip::BuildPattern(rip::PatternKind::Bidirectional, s, r, err));
    EXPECT_TRUE(r.Dot(0, 0, 0) && r.Dot(0, 0, r.head.uiHeight - 1));
    s.colors = 0;
    EXPECT_FALSE(rip::BuildPattern(rip::PatternKind::ColorBars, s, r, err));
    EXPECT_NE(err.find("0 colours"), std::string::npos);
}

TEST(Patterns, TestPatternFilesOfTheSetupOpenInTheEngine) {
    TempDir dir;
    auto prompts = std::make_shared<platform::ScriptedPrompter>();
    platform::setPrompter(prompts);
    CDrvPrint d;
    d.HEADS = 8;
    d.NOZZLESPERHEAD = 128;
    d.TestPattern[1] = "align-360.prn";
    // A name that leads into another folder is refused, and nothing is written.
    d.TestPattern[4] = "sub\\bars.prn";
    std::string err;
    EXPECT_TRUE(rip::WriteTestPatterns(d, rip::PatternSetupFrom(d), dir.path(), err).empty());
    EXPECT_EQ(err, "TestPattern05 \"sub\\bars.prn\" refused (not a plain file name: holds a path separator)");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    d.TestPattern[4] = "bars.prn";
    auto files = rip::WriteTestPatterns(d, rip::PatternSetupFrom(d), dir.path(), err);
    ASSERT_EQ(files.size(), 5u) << err;
    EXPECT_EQ(files[0], dir.file("~TP01-BQZ128x12.prn"));
    EXPECT_EQ(files[1], dir.file("align-360.prn"));
    EXPECT_EQ(files[4], dir.file("bars.prn"));
    for (const auto& path : files) {
        d.csName = path;
        ASSERT_EQ(d.PRNInitData(), 0) << path;
        EXPECT_EQ(d.ripHead.uiXDPI, 180u); // native resolution of the default X axis
        EXPECT_EQ(d.uiFileSize, std::filesystem::file_size(path));
        d.PRNReadClose();
    }
    EXPECT_TRUE(prompts->texts().empty());
    d.TestPattern[2] = "";
    EXPECT_TRUE(rip::WriteTestPatterns(d, rip::PatternSetupFrom(d), dir.path(), err).empty());
    EXPECT_NE(err.find("TestPattern03"), std::string::npos);
    platform::setPrompter(nullptr);
}

// ---- console and command line

TEST(RipConsole, HeaderOpenCloseAndPosition) {
    TempDir dir;
    rip::MkRipOptions o;
    o.syntheticWidth = 100;
    o.syntheticHeight = 20;
    make(o, dir.file("c.prn"));
    CDrvPrint d;
    std::ostringstream out;
    console::Console con(d, out);
    EXPECT_EQ(con.runCommands("call AUXGetRipHead " + dir.file("c.prn") + "; call AUXGetRipHead " +
                              dir.file("none.prn") + "; set csName " + dir.file("c.prn") +
                              "; call PRNInitData; get ui64FilePos; get uiFileSize; call ValidateRipHead " +
                              dir.file("c.prn") + "; call PRNReadClose"),
              0)
        << out.str();
    const std::string s = out.str();
    EXPECT_NE(s.find("AUXGetRipHead = 0 uiReserved0=0 uiXDPI=180 uiYDPI=180 uiBytesPerLine=13 uiHeight=20 "
                     "uiWidth=100 uiReserved24=0 uiColors=4"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("AUXGetRipHead = -1"), std::string::npos);
    EXPECT_NE(s.find("PRNInitData = 0"), std::string::npos);
    EXPECT_NE(s.find("ui64FilePos = 48"), std::string::npos);
    EXPECT_NE(s.find("uiFileSize = " + std::to_string(48 + 13 * 4 * 20)), std::string::npos);
    EXPECT_NE(s.find("ValidateRipHead = ok"), std::string::npos);
    EXPECT_FALSE(d.netFile.IsOpen());
}

int run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return cli::runMain(int(argv.size()), argv.data());
}

TEST(RipCommands, MkRipAndPatternFromTheCommandLine) {
    TempDir dir;
    EXPECT_EQ(run({"carvex", "mkrip", "--synthetic", "64x32", "--dpi", "720x360", "--screen", "ordered", "-o",
                   dir.file("s.prn")}),
              0);
    RipFile f(dir.file("s.prn"));
    EXPECT_EQ(f.head.uiWidth, 64u);
    EXPECT_EQ(f.head.uiYDPI, 360u);
    EXPECT_EQ(run({"carvex", "mkrip", "--synthetic", "64", "--screen", "fm", "-o", dir.file("x.prn")}), 1);
    EXPECT_EQ(run({"carvex", "mkrip", "-o", dir.file("x.prn")}), 1);
    EXPECT_EQ(run({"carvex", "mkrip", "--synthetic", "0x5", "-o", dir.file("x.prn")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.prn")));

    EXPECT_EQ(run({"carvex", "--base", dir.path(), "pattern", "--kind", "nozzle", "--heads", "4", "--nozzles", "64",
                   "-o", dir.file("n.prn")}),
              0);
    RipFile n(dir.file("n.prn"));
    EXPECT_EQ(n.head.uiHeight, 64u);
    EXPECT_EQ(run({"carvex", "--base", dir.path(), "pattern", "--dir", dir.file("tp")}), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("tp/~TP05-BQZ128x12.prn")));
    EXPECT_EQ(run({"carvex", "--base", dir.path(), "pattern", "--kind", "spiral", "-o", dir.file("z.prn")}), 1);
}

} // namespace

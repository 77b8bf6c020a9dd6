// Banners at real size from a fresh folder: the real carvex program, the default setup and the
// default virtual printer (its 1600 mm sheet). A picture as wide as the media prints from the
// media's left edge to its right at 180, 360 and 720 dpi, in every print direction; a margin moves
// it by exactly that much; one that does not fit is refused before the carriage moves; after a
// measure the print lands where the measured media starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>

#include "CliTestSupport.h"
#include "ProgramTestSupport.h"
#include "platform/Files.h"
#include "sim/Sheet.h"

namespace {

using progtest::count;
using progtest::Outcome;
using progtest::readAll;

constexpr double kStepMM = 25.4 / 180;
constexpr double kMediaMM = 1600;

// X steps of a margin, as the engine converts it (whole millimetres, rounded up by half).
int marginSteps(int mm) { return int(mm / 0.1411111 + 0.5); }

class RealSize : public ::testing::Test {
protected:
    clitest::TempBase tmp{"carvex-real"};
    std::string base = platform::joinPath(tmp.path, "shop");
    std::map<std::string, std::string> env{{"CARVEX_LOG", "error"}};

    Outcome carvex(std::vector<std::string> args, const char* scale = "1000") {
        args.insert(args.begin(), {"--base", base, "--time-scale", scale});
        return progtest::run(args, env, tmp.path);
    }
    std::string file(const std::string& name) const { return platform::joinPath(base, name); }
    // A picture file (PNG) of stripes and blocks in the four inks, to be made into RIP files.
    std::string picture() {
        const std::string png = file("banner.png");
        if (platform::fileExists(png)) return png;
        platform::makeDirs(base);
        sim::Sheet s;
        s.reset(400 * 25.4 / 100, 100, 100, 4);
        for (int64_t y = 0; y < 30; ++y)
            for (int64_t x = 0; x < 400; ++x) {
                if ((x / 7 + y / 5) % 3 == 0) s.setDot(0, x, y, true);
                if ((x * 3 + y) % 11 < 4) s.setDot(1, x, y, true);
                if (x % 50 < 20) s.setDot(2, x, y, true);
                if ((x + 2 * y) % 9 == 0) s.setDot(3, x, y, true);
            }
        std::string err;
        EXPECT_TRUE(s.savePng(png, {0x202020, 0x00AEEF, 0xEC008C, 0xFFF200}, {0, 0, 400, 30}, &err)) << err;
        return png;
    }
    // The picture made width x 40 lines at xdpi across, 180 along.
    std::string rip(const std::string& name, double widthMM, unsigned xdpi) {
        const std::string out = file(name);
        char w[32];
        std::snprintf(w, sizeof w, "%.3f", widthMM);
        Outcome r = carvex({"mkrip", picture(), "--width-mm", w, "--height", "40", "--dpi",
                            std::to_string(xdpi) + "x180", "-o", out});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        return out;
    }
    // The dot of the media the proof says the picture's left edge landed on; -1 when not said.
    static long placedDot(const std::string& compareOut) {
        std::smatch m;
        static const std::regex re("placed at dot (-?[0-9]+) of the media");
        return std::regex_search(compareOut, m, re) ? std::stol(m[1]) : -1;
    }
};

struct Banner {
    unsigned xdpi;
    const char* layout; // the setup's print directions
    double widthMM;     // 0: the whole media beside the margin
    int marginMM;
    unsigned speed;
};

std::string layoutCommands(const std::string& layout) {
    if (layout == "right-to-left") return "set bUnidirection 1; set bUnidirectionToLeft 1"; // the default setup
    if (layout == "left-to-right") return "set bUnidirection 1; set bUnidirectionToLeft 0";
    if (layout == "both-from-left") return "set bUnidirection 0; set bUnidirectionToLeft 0";
    return "set bUnidirection 0; set bUnidirectionToLeft 1";
}

class RealSizeBanner : public RealSize, public ::testing::WithParamInterface<Banner> {};

TEST_P(RealSizeBanner, SheetIsTheFileFromTheMarginOn) {
    const Banner b = GetParam();
    const double width = b.widthMM > 0 ? b.widthMM : kMediaMM - b.marginMM;
    const std::string job = rip("banner.prn", width, b.xdpi);
    Outcome set = carvex({"sh", "-c", layoutCommands(b.layout) + "; call PRMSaveParams"});
    ASSERT_EQ(set.code, 0) << set.err;
    const std::string proof = file("proof");
    Outcome p = carvex({"print", job, "--passes", "2", "--margin", std::to_string(b.marginMM), "--speed",
                        std::to_string(b.speed), "--proof", proof});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    Outcome c = carvex({"proof-compare", job, proof});
    EXPECT_EQ(c.code, 0) << c.out << c.err;
    EXPECT_EQ(count(c.out, "missing 0 extra 0"), 4u) << c.out;
    // The margin in whole X steps, at the job's resolution.
    const long want = long(marginSteps(b.marginMM)) * long(b.xdpi / 180);
    EXPECT_EQ(placedDot(c.out), want) << c.out;
    EXPECT_NEAR(double(placedDot(c.out)) * 25.4 / b.xdpi, b.marginMM, kStepMM / 2);
}

std::string bannerName(const ::testing::TestParamInfo<Banner>& i) {
    std::string l = i.param.layout;
    for (char& ch : l)
        if (ch == '-') ch = '_';
    return "X" + std::to_string(i.param.xdpi) + "_" + l + "_W" + std::to_string(int(i.param.widthMM)) + "_M" +
           std::to_string(i.param.marginMM) + "_S" + std::to_string(i.param.speed);
}

INSTANTIATE_TEST_SUITE_P(Defaults, RealSizeBanner,
                         ::testing::Values(Banner{180, "right-to-left", 1500, 0, 1}, Banner{180, "both-from-left", 0, 0, 1},
                                           Banner{180, "both-from-right", 0, 50, 3},
                                           Banner{360, "right-to-left", 1500, 0, 1}, Banner{360, "both-from-left", 0, 0, 4},
                                           Banner{360, "both-from-right", 1500, 37, 2},
                                           Banner{720, "left-to-right", 1500, 0, 1}, Banner{720, "both-from-left", 0, 0, 1},
                                           Banner{720, "both-from-right", 0, 50, 4}, Banner{720, "right-to-left", 1500, 0, 1}),
                         bannerName);

TEST_F(RealSize, PictureWiderThanTheMediaIsRefusedBeforeAnyMotion) {
    const std::string job = rip("wide.prn", 1650, 180);
    Outcome p = carvex({"print", job});
    EXPECT_EQ(p.code, 1);
    EXPECT_NE(p.err.find("error: refused: the picture needs 1650 mm from 0 mm, the media is 1600 mm"), std::string::npos)
        << p.err;
    // Refused before the machine was started: no homing, no job run.
    EXPECT_EQ(p.out.find("passes:"), std::string::npos) << p.out;
    // With a margin a picture that fits alone is refused too, and the record says so.
    const std::string fits = rip("fits.prn", 1500, 180);
    Outcome m = carvex({"print", fits, "--margin", "150"});
    EXPECT_NE(m.err.find("the picture needs 1500 mm from 150 mm, the media is 1600 mm"), std::string::npos) << m.err;
    Outcome j = carvex({"jobs", "--plain"});
    EXPECT_EQ(count(j.out, "Status = refused\n"), 2u) << j.out;
}

TEST_F(RealSize, MeasuredMediaIsWhereTheMarginCountsFrom) {
    // Another roll, narrower and further right than the default machine's.
    platform::makeDirs(base);
    ASSERT_TRUE(platform::writeFileAtomic(file("machine.ini"), "[Media]\nLeftMM = 412.5\nWidthMM = 1200\n"));
    Outcome ms = carvex({"measure", "--save"}, "10");
    ASSERT_EQ(ms.code, 0) << ms.out << ms.err;
    Outcome got = carvex({"sh", "-c", "get uiStartPos1; get uiWidth1"});
    std::smatch m;
    const std::regex re("uiStartPos1 = ([0-9]+)\nuiWidth1 = ([0-9]+)");
    ASSERT_TRUE(std::regex_search(got.out, m, re)) << got.out;
    const long start = std::stol(m[1]), width = std::stol(m[2]);
    // The roll's true edge, counted as the setup counts it: from home (the switch and the back-off
    // of 50 steps), the sensor 1100 steps right of the heads.
    const double trueStart = (412.5 - 1100 * kStepMM) / kStepMM - 50, trueWidth = 1200 / kStepMM;
    // Edges are polled on a moving carriage: a busy host makes a poll late, which the fast clock
    // turns into steps (exact at time scale 1). 100 steps is 14 mm, far below any mistake of
    // method (the edge confirmations alone span 50 mm and more).
    constexpr long kEdgeSteps = 100;
    EXPECT_NEAR(double(start), trueStart, double(kEdgeSteps));
    EXPECT_NEAR(double(width), trueWidth, double(kEdgeSteps));
    // A picture across the measured roll, inside it by the measure's resolution, lands where the
    // setup now says the media starts.
    const double across = std::min(double(width), trueWidth) - 2.0 * kEdgeSteps;
    const std::string job = rip("roll.prn", across * kStepMM, 180);
    const std::string proof = file("proof");
    Outcome p = carvex({"print", job, "--passes", "2", "--proof", proof});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    Outcome c = carvex({"proof-compare", job, proof});
    EXPECT_EQ(count(c.out, "missing 0 extra 0"), 4u) << c.out;
    // The sheet's dot 0 is the roll's true edge (at a fraction of a step); the print starts at the
    // measured one.
    EXPECT_NEAR(double(placedDot(c.out)), double(start) - trueStart, 1.0) << c.out;
}

} // namespace

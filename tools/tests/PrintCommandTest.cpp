// carvex print and carvex proof-compare on the virtual printer, driven as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "CliTestSupport.h"
#include "Session.h"
#include "console/Console.h"
#include "core/RipFormat.h"
#include "platform/Files.h"
#include "platform/Prompter.h"

namespace {

using clitest::Result;
using clitest::runCli;
struct TempBase : clitest::TempBase {
    TempBase() : clitest::TempBase("carvex-print") {}
};




void writeText(const std::string& path, const std::string& text) { ASSERT_TRUE(platform::writeFileAtomic(path, text)); }

// A machine whose heads sit where the setup says, and the setup that says it.
void prepareBase(const std::string& base) {
    writeText(platform::joinPath(base, "machine.ini"), "[Heads]\nMisplacement = 0\n");
    std::string setup = "[HEADALIGNMENT]\n";
    for (int h = 1; h <= 4; ++h) setup += "HeadOffsetXL" + std::to_string(h) + "=1049\n";
    setup += "[BASEHEADALIGNMENT]\nCOLORCACHE=2\nHEADCACHE=2\n";
    for (int h = 1; h <= 4; ++h) setup += "HeadOffsetXL" + std::to_string(h) + "=1049\n";
    writeText(platform::joinPath(base, "setup.ini"), setup);
}

} // namespace

TEST(PrintCommand, PrintsAProofThatMatchesTheFile) {
    TempBase t;
    prepareBase(t.path);
    const std::string rip = platform::joinPath(t.path, "t.prn");
    const std::string other = platform::joinPath(t.path, "u.prn");
    ASSERT_EQ(runCli({"--base", t.path, "mkrip", "--synthetic", "64x40", "--dpi", "180", "-o", rip}).code, 0);
    ASSERT_EQ(runCli({"--base", t.path, "mkrip", "--synthetic", "48x40", "--dpi", "180", "-o", other}).code, 0);
    const std::string proof = platform::joinPath(t.path, "proof");
    Result p = runCli({"--base", t.path, "--time-scale", "1000", "print", rip, "--passes", "2", "--proof", proof});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    EXPECT_NE(p.out.find("passes: 2/2"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("ink 0: "), std::string::npos);
    EXPECT_TRUE(platform::fileExists(platform::joinPath(proof, "sheet.png")));
    EXPECT_TRUE(platform::fileExists(platform::joinPath(proof, "plane3.pbm")));
    Result c = runCli({"--base", t.path, "proof-compare", rip, proof});
    EXPECT_EQ(c.code, 0) << c.out << c.err;
    EXPECT_NE(c.out.find("plane 3: expected"), std::string::npos);
    EXPECT_NE(c.out.find("missing 0 extra 0"), std::string::npos);
    // Another file does not match: the differences are counted and located.
    Result d = runCli({"--base", t.path, "proof-compare", other, proof});
    EXPECT_NE(d.code, 0);
    EXPECT_NE(d.out.find("first difference at"), std::string::npos) << d.out;
}

TEST(PrintCommand, MissingFileAndRefusedJobAreErrors) {
    TempBase t;
    prepareBase(t.path);
    Result r = runCli({"--base", t.path, "print", platform::joinPath(t.path, "none.prn")});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("no such file"), std::string::npos);
    const std::string rip = platform::joinPath(t.path, "t.prn");
    ASSERT_EQ(runCli({"--base", t.path, "mkrip", "--synthetic", "64x40", "--dpi", "180", "-o", rip}).code, 0);
    // A resolution the fire clock cannot fire is refused before any motion, with the reason.
    const std::string odd = platform::joinPath(t.path, "odd.prn");
    ASSERT_EQ(runCli({"--base", t.path, "mkrip", "--synthetic", "64x40", "--dpi", "300x180", "-o", odd}).code, 0);
    Result p = runCli({"--base", t.path, "--time-scale", "1000", "print", odd});
    EXPECT_NE(p.code, 0);
    EXPECT_NE(p.err.find("error: refused: The file's X resolution of 300 dpi"), std::string::npos) << p.err;
}

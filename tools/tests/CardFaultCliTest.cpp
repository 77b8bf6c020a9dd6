// The carvex program on a virtual card that fails a chosen call, and the device it says it uses.
#include "CliTestSupport.h"
#include "ProgramTestSupport.h"

namespace {

using clitest::runCli;
using clitest::TempBase;

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(CardFaultCli, FailedReadWhileSwitchingALampOffSwitchesNothingOn) {
    TempBase base;
    // The register is put back to all off, then the lamp's read fails.
    const auto r = runCli({"--base", base.path, "--time-scale", "1000", "sh", "-c",
                           "call AUXUVSet 3 1; call AUXUVSet 3 0; sim reg 0x218; sim fault call 1 read; "
                           "call AUXUVSet 3 0; sim reg 0x218; sim fault call 1 write; call AUXUVSet 3 1; sim reg 0x218"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(firstLine(r.err), "device: virtual printer (sim)");
    EXPECT_NE(r.out.find("fault = call"), std::string::npos) << r.out;
    // Before the fault, after the failed read (no write at all), after the failed write.
    size_t at = 0, seen = 0;
    while ((at = r.out.find("0x218 = 0x00000000", at)) != std::string::npos) ++seen, ++at;
    EXPECT_EQ(seen, 3u) << r.out;
    EXPECT_NE(r.out.find("AUXUVSet = 0"), std::string::npos) << r.out;
}

TEST(CardFaultCli, HomingWithAFailedCallIsNotHomed) {
    TempBase base;
    const auto r = runCli({"--base", base.path, "--time-scale", "100000", "sh", "-c",
                           "sim carriage 400; sim fault call 40 any; call PRNRePosition 1"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("PRNRePosition = -101"), std::string::npos) << r.out;
}

// The real program: a media measure whose fifth card call fails keeps the media width.
TEST(CardFaultCli, AMeasureWithAFailedCallTakesNothing) {
    TempBase base;
    const auto r = progtest::run({"--base", base.path, "--time-scale", "200", "sh", "-c",
                                  "call PRNRePosition 1; get uiWidth1; sim fault call 5 any; call PRNMeasure; get uiWidth1; prompts"},
                                 {{"CARVEX_LOG", "warn"}}, base.path);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("PRNMeasure = -1"), std::string::npos) << r.out;
    // The width before and after the measure are the same line.
    const size_t first = r.out.find("uiWidth1 = "), second = r.out.find("uiWidth1 = ", first + 1);
    ASSERT_NE(second, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(first, r.out.find('\n', first) - first), r.out.substr(second, r.out.find('\n', second) - second));
    EXPECT_TRUE(r.out.find("The measurement failed") != std::string::npos || r.out.find("测量失败") != std::string::npos) << r.out;
}

TEST(CardFaultCli, EveryCommandSaysItsDeviceFirst) {
    TempBase base;
    auto r = runCli({"--base", base.path, "--device", "none", "setup"});
    EXPECT_EQ(firstLine(r.err), "device: no card (none, from --device)") << r.err;
    // Without the option the choice is made again: the virtual printer.
    r = runCli({"--base", base.path, "setup"});
    EXPECT_EQ(firstLine(r.err), "device: virtual printer (sim)") << r.err;
}

} // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "CliTestSupport.h"
#include "Session.h"
#include "console/Console.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

class SettingsConsoleTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<CDrvPrint> d = [this] {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir.path();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();
    std::ostringstream out;

    // Runs "a; b; c" and returns the answer lines.
    std::string run(const std::string& commands, int expectFailed = 0) {
        out.str("");
        console::Console con(*d, out);
        EXPECT_EQ(con.runCommands(commands), expectFailed) << out.str();
        return out.str();
    }
};

TEST_F(SettingsConsoleTest, GetAndSetKeysBySectionWhereShared) {
    EXPECT_EQ(run("get uiPass; set uiPass 4; get PRINTMODE.uiPass"), "uiPass = 2\nuiPass = 4\nPRINTMODE.uiPass = 4\n");
    EXPECT_EQ(d->uiPass, 4u);
    run("set HEADALIGNMENT.HEADS 6; set HEADS 8; set FOOTER.bEnable 1; set COLORBAR.uiMode 3");
    EXPECT_EQ(d->headAlignment.HEADS, 6u);
    EXPECT_EQ(d->HEADS, 8u);
    EXPECT_EQ(d->footer.bEnable, 1);
    EXPECT_EQ(d->cleaning.bEnable, 0);
    EXPECT_EQ(d->colorBar.uiMode, 3u);
    EXPECT_EQ(run("get BASEHEADALIGNMENT.HEADS; get CLEANING.bEnable"),
              "BASEHEADALIGNMENT.HEADS = 8\nCLEANING.bEnable = 0\n");
    run("set HeadOffsetXL3 -5; set HEADALIGNMENT.HeadOffsetXL3 7; set HeadOffsetXL24 1; set HeadVoltage2 19.5");
    EXPECT_EQ(d->HeadOffsetXL[2], -5);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[2], 7);
    EXPECT_EQ(d->HeadOffsetXL[23], 1);
    EXPECT_FLOAT_EQ(d->HeadVoltage[1], 19.5f);
    EXPECT_EQ(run("set csPrintDir \"/data/rip files\"; get fMMPerXStep; get dwEnableHeads"),
              "csPrintDir = /data/rip files\nfMMPerXStep = 0.1411111\ndwEnableHeads = -1\n");
}

TEST_F(SettingsConsoleTest, BadKeysAndValuesAreErrors) {
    const std::string text = run("get bEnable; set uiPass abc; set fHeadDPI nan; get HeadOffsetXL25", 4);
    EXPECT_NE(text.find("error = unknown key bEnable"), std::string::npos);
    EXPECT_NE(text.find("error = bad value for uiPass: abc"), std::string::npos);
    EXPECT_EQ(d->uiPass, 2u);
    EXPECT_FLOAT_EQ(d->fHeadDPI, 185.21f);
}

// Integers the value or argument cannot hold are refused, never cut to fit.
TEST_F(SettingsConsoleTest, IntegersOutOfRangeAreRefused) {
    struct Case {
        const char* command;
        const char* answer;
    };
    const Case cases[] = {
        {"set uiStepSendCount 4294967296", "error = out of range: 4294967296 (0 to 4294967295)\n"},
        {"set uiStepSendCount -1", "error = out of range: -1 (0 to 4294967295)\n"},
        {"set uiStepSendCount 18446744073709551615", "error = out of range: 18446744073709551615 (0 to 4294967295)\n"},
        {"set uiStepSendCount 4294967295", "uiStepSendCount = 4294967295\n"},
        {"set uiStepSendCount 0x10", "uiStepSendCount = 16\n"},
        {"call PRMMediaDPIClass 4294967656", "error = out of range: 4294967656 (0 to 4294967295)\n"},
        {"call PRMMediaDPIClass 720", "PRMMediaDPIClass = 3\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.command, c.answer[0] == 'e' ? 1 : 0), c.answer) << c.command;
    EXPECT_EQ(d->uiStepSendCount.load(), 16u);
}

TEST_F(SettingsConsoleTest, CallsSaveLoadAndSwitchSetups) {
    EXPECT_EQ(run("call AUXINIGetCurrentSetup"), "AUXINIGetCurrentSetup = 0 \"\"\n");
    EXPECT_EQ(run("set uiPass 6; call PRMSaveParams"), "uiPass = 6\nPRMSaveParams = 1\n");
    EXPECT_TRUE(dir.exists("setup.ini"));
    EXPECT_EQ(run("set uiPass 3; call PRMLoadParams; get uiPass"), "uiPass = 3\nPRMLoadParams = done\nuiPass = 6\n");
    EXPECT_EQ(run("call AUXINISetCurrentSetup Vinyl; call PRMSaveParams; call AUXINIGetCurrentSetup"),
              "AUXINISetCurrentSetup = 1\nPRMSaveParams = 1\nAUXINIGetCurrentSetup = 1 \"Vinyl\"\n");
    EXPECT_TRUE(dir.exists("setup-Vinyl.ini"));
    EXPECT_EQ(run("call PRMSetupFilePath"), "PRMSetupFilePath = " + dir.path() + "/setup-Vinyl.ini\n");
    EXPECT_EQ(run("set iFireFrequency 7; call PRMSaveParamsMovement; set iFireFrequency 1; "
                  "call PRMLoadParamsMovement; get uiFireDivider"),
              "iFireFrequency = 7\nPRMSaveParamsMovement = 1\niFireFrequency = 1\nPRMLoadParamsMovement = done\n"
              "uiFireDivider = 7\n");
}

// Runs the carvex program in this process and returns what it printed.
std::string carvex(std::vector<std::string> args, int& status) {
    std::vector<char*> argv;
    args.insert(args.begin(), "carvex");
    for (auto& a : args) argv.push_back(a.data());
    const auto old = std::filesystem::current_path();
    testing::internal::CaptureStdout();
    status = cli::runMain(static_cast<int>(argv.size()), argv.data());
    std::string text = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(old);
    return text;
}

TEST(SetupCommand, ListsSavesAndSwitchesSetups) {
    ScratchDir dir;
    dir.write("setup.ini", "[PRINTMODE]\nuiPass=4\n[BASEHEADALIGNMENT]\nHEADS=2\n");
    int status = -1;
    std::string text = carvex({"--base", dir.path(), "setup"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text.rfind("BASEHEADALIGNMENT.HeadOffsetXL1 = 1049\n", 0), 0u) << text.substr(0, 200);
    EXPECT_NE(text.find("\nPRINTMODE.uiPass = 4\n"), std::string::npos);
    EXPECT_NE(text.find("\nMOVEMENT.fMMPerXStep = 0.1411111\n"), std::string::npos);
    EXPECT_NE(text.find("\nHEADALIGNMENT.HeadOffsetY2 = 0\n"), std::string::npos);
    EXPECT_EQ(text.find("HeadOffsetY3"), std::string::npos); // only the heads in use
    EXPECT_NE(text.find("ok: setup setup.ini\n"), std::string::npos);
    EXPECT_EQ(dir.read("setup.ini"), "[PRINTMODE]\nuiPass=4\n[BASEHEADALIGNMENT]\nHEADS=2\n");

    // A new setup starts as a copy of the current one.
    text = carvex({"--base", dir.path(), "setup", "--use", "Vinyl", "--save"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("ok: setup setup-Vinyl.ini saved"), std::string::npos);
    CIniFile vinyl;
    vinyl.SetFileName(dir.file("setup-Vinyl.ini"));
    EXPECT_EQ(vinyl.ReadInt("PRINTMODE", "uiPass", 0), 4);
    EXPECT_EQ(dir.read("CurrentSetup.ini"), "[CurrentSetup]\r\nIniFileName=setup-Vinyl.ini\r\n");

    // Switching back to an existing setup shows it as it is.
    dir.write("setup-Paper.ini", "[PRINTMODE]\nuiPass=8\n");
    text = carvex({"--base", dir.path(), "setup", "--use", "Paper"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(text.find("\nPRINTMODE.uiPass = 8\n"), std::string::npos);
    EXPECT_EQ(dir.read("setup-Paper.ini"), "[PRINTMODE]\nuiPass=8\n");

    text = carvex({"--base", dir.path(), "setup", "--use", "../evil"}, status);
    EXPECT_NE(status, 0);
}

// A damaged setup file is reported by the program, not silently replaced by defaults.
TEST(SetupCommand, RandomBytesSetupGivesAWarningNamingWhatWasWrong) {
    ScratchDir dir;
    std::string bytes;
    uint32_t x = 7;
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 24);
    }
    dir.write("setup.ini", bytes);
    const std::string old = std::filesystem::current_path().string();
    clitest::Result r = clitest::runCli({"--base", dir.path(), "setup"});
    std::filesystem::current_path(old);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("carvex warn: setup.ini: binary data ("), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("lines not understood: line 1 \""), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("ok: setup setup.ini, read with warnings (above)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PRINTMODE.uiPass = 2\n"), std::string::npos); // the defaults, and said so
}

} // namespace

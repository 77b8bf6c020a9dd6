#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "console/Console.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

class UnitsMaterialConsoleTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<CDrvPrint> d = [this] {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir.path();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();
    std::ostringstream out;

    std::string run(const std::string& commands, int expectFailed = 0) {
        out.str("");
        console::Console con(*d, out);
        EXPECT_EQ(con.runCommands(commands), expectFailed) << out.str();
        return out.str();
    }
};

TEST_F(UnitsMaterialConsoleTest, ConversionsTakeTextArguments) {
    EXPECT_EQ(run("call XMMToPulse 20; call YMMToPulse 30; call XMMToPulse -1; call fXMMToPulse -1.0"),
              "XMMToPulse = 142\nYMMToPulse = 875\nXMMToPulse = -6\nfXMMToPulse = -7\n");
    EXPECT_EQ(run("call fYPulseToMM 100; get ripHead.uiYDPI"), "fYPulseToMM = 14.1\nripHead.uiYDPI = 180\n");
    EXPECT_EQ(run("set fDPIRate 2; call F_DPIRate 0 3; call F_DPIRate 1 3"),
              "fDPIRate = 2\nF_DPIRate = 1.5\nF_DPIRate = 6\n");
    EXPECT_NE(run("call XMMToPulse", 1).find("error = XMMToPulse takes 1 argument(s)"), std::string::npos);
}

TEST_F(UnitsMaterialConsoleTest, MaterialRecordIsEditedSavedAndApplied) {
    run("set HeadOffsetXL1 100; set mediaOffset.HeadOffsetXL1 5; set mediaOffset.BiDifference[2][0] 21; "
        "set mediaOffset.StepOffset7 3");
    EXPECT_EQ(run("call PRMSaveMediaParams Vinyl; call PRMListMedia"),
              "PRMSaveMediaParams = 1\nPRMListMedia = \"Vinyl\"\n");
    EXPECT_EQ(d->mediaOffset.csMediaFile, dir.file("Materials/Material-Vinyl.ini"));
    run("set mediaOffset.HeadOffsetXL1 0; call PRMLoadMediaParams Vinyl");
    EXPECT_EQ(d->mediaOffset.HeadOffsetXL[0], 5);
    EXPECT_EQ(run("call PRMSetDPIClass 360; call PRMGetCurrentMediaParams; get HEADALIGNMENT.HeadOffsetXL1; "
                  "get HEADALIGNMENT.BiDifference1; get HEADALIGNMENT.StepOffset8; call PRMMediaDPIClass 240"),
              "PRMSetDPIClass = 2\nPRMGetCurrentMediaParams = done\nHEADALIGNMENT.HeadOffsetXL1 = 105\n"
              "HEADALIGNMENT.BiDifference1 = 21\nHEADALIGNMENT.StepOffset8 = 3\nPRMMediaDPIClass = 1\n");
}

TEST_F(UnitsMaterialConsoleTest, HeadVoltageFileValues) {
    EXPECT_EQ(run("call PRMLoadHTVParams; get csHtvFile"), "PRMLoadHTVParams = done\ncsHtvFile = \n");
    EXPECT_EQ(run("set HTVVoltageDefine24 22.5; set bHTVEnable 1; call PRMSaveHTVParams"),
              "HTVVoltageDefine24 = 22.5\nbHTVEnable = 1\nPRMSaveHTVParams = 1\n");
    run("set HTVVoltageDefine24 0; set bHTVEnable 0; set HEADS 8; set LINESPERHEAD 2; call PRMLoadHTVParams");
    EXPECT_EQ(run("get HTVVoltageDefine24; get bHTVEnable; get uiHTVHeads; get fHTVVoltageDACUnit"),
              "HTVVoltageDefine24 = 22.5\nbHTVEnable = 1\nuiHTVHeads = 4\nfHTVVoltageDACUnit = 0.054\n");
    EXPECT_EQ(run("call PRMHTVFilePath"), "PRMHTVFilePath = " + dir.file("HeadsTempVolt/HeadsTempVolt.ini") + "\n");
}

} // namespace

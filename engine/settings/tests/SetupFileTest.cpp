#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "core/DrvPrint.h"
#include "testsupport/ScratchDir.h"
#include "settings/SetupSchema.h"

using testsupport::ScratchDir;

namespace {

// A file written from scratch by PRMSaveParams with every setting at its default.
const char* const kDefaultSetupFile = R"([BASEHEADALIGNMENT]
HI=/////////////////////////////////////////////////////
HeadOffsetXL1=1049
HeadOffsetXL2=1049
HeadOffsetXL3=1049
HeadOffsetXL4=1049
HeadOffsetXR1=0
HeadOffsetXR2=0
HeadOffsetXR3=0
HeadOffsetXR4=0
HeadOffsetY1=0
HeadOffsetY2=0
HeadOffsetY3=0
HeadOffsetY4=0
ColorChannel1=0
ColorChannel2=1
ColorChannel3=2
ColorChannel4=3
HeadChannel1=0
HeadChannel2=1
HeadChannel3=2
HeadChannel4=3
HeadVoltage1=21.1
HeadVoltage2=21.1
HeadVoltage3=21.1
HeadVoltage4=21.1
HeadVoltageDACUnit=0.054000
HeadVoltageDefault=20.000000
HEADSPARAMS=6
HEADS=4
COLORS=4
NOZZLESPERHEAD=126
LINESPERHEAD=1
NOZZLESOFFSET=0
BASEHEADOFFSET=88
MediaName=
fHeadDPI=185.210007
BUFFCOUNT=3
COLORCACHE=36
HEADCACHE=4
COLORBARCACHE=1
GRADIENTOFFSET=0
GRADIENTOFFSETR=0
HEADSCHANNELMODE=1
[HEADALIGNMENT]
HI=/////////////////////////////////////////////////////
HEADS=4
COLORS=4
MAXHEADOFFSETY=0
HeadOffsetXL1=1049
HeadOffsetXL2=1049
HeadOffsetXL3=1049
HeadOffsetXL4=1049
HeadOffsetXR1=0
HeadOffsetXR2=0
HeadOffsetXR3=0
HeadOffsetXR4=0
HeadOffsetY1=0
HeadOffsetY2=0
HeadOffsetY3=0
HeadOffsetY4=0
StepOffset1=0
StepOffset2=0
StepOffset3=0
StepOffset4=0
StepOffset5=0
StepOffset6=0
StepOffset7=0
StepOffset8=0
BiDifference1=0
BiDifference2=0
BiDifference3=0
[MOVEMENT]
HI=/////////////////////////////////////////////////////
XSpeedPause0=0
XSpeedPause1=100
XSpeedPause2=200
XSpeedPause3=300
XSpeedPause4=400
YSpeedPause0=0
YSpeedPause1=100
YSpeedPause2=200
YSpeedPause3=300
YSpeedPause4=400
bReverseMoveX=1
bReverseMoveY=0
bReverseLeftRightLSW=0
iEncoderShiftNumber=0
iFireFrequency=3
iXEncoderInitial=8000
iXAccTime=120
iYAccTime=120
uiStepOffsetSize=0
fXStepToMM=8.582700
fYStepToMM=16.792286
fMMPerYStep=0.034285
fMMPerXStep=0.141111
fXMotorRate=1.000000
fYMotorRate=1.000000
[FOOTER]
HI=/////////////////////////////////////////////////////
csMemo=
csUserName=
csFileName=
csFont=
bEnable=0
bUserName=0
bTime=0
bSize=0
bPageCode=0
bMemo=0
bFileName=0
uiImageDisance=0
uiFontSize=0
[CLEANING]
HI=/////////////////////////////////////////////////////
bEnable=0
uiFrequency=0
uiTimes=0
uiFlashFrequency=0
uiFlashFrequencyCleaning=0
uiFlashFrequencyCleaningDelay=1000
uiMode=0
bSyringeEnable=0
bSyringeBeforePrinting=0
bSyringeAfterPrinting=0
bSyringeFlush=0
uiFlashAtHome=0
uiSyringeUpPredelay=1000
uiSyringeTimes=5
uiSyringeTime=500
uiSyringeDelay=500
uiSyringeDownPredelay=1000
uiSyringeWasteInk=1000
uiWipeTime=20
[COLORBAR]
HI=/////////////////////////////////////////////////////
bEnable=0
uiPosition=0
uiWidth=20
uiWidthMixed=0
uiDistance=70
uiMode=0
bSameHeightWithImage=0
[MEDIA]
HI=/////////////////////////////////////////////////////
uiAutoCut=0
uiMargin1=0
uiMargin2=0
uiStartPos1=976
uiStartPos2=0
uiWidth1=11338
uiWidth2=0
uiSpaceLefRight=0
uiSpaceUpDown=0
iOverlap=0
uiBytesOverLap=0
uiBytesInterva=0
uiBytesRoll1=0
uiBytesRoll2=0
uiRoll2=0
[IMAGERANGE]
HI=/////////////////////////////////////////////////////
[PRINTMODE]
HI=/////////////////////////////////////////////////////
bTestMode=0
bDebugBmp=0
dwEnableHeads=-1
bHorizontalMirror=0
bVerticalMirror=1
bUnidirection=1
bUnidirectionToLeft=1
bDoubleStrike=0
bNetwork=0
bEdgeFeather=0
uiFeatherSize=0
bSmartPrint=0
uiPass=2
uiXSpeed=1
uiYSpeed=1
uiVacuum=0
uiPrintQty=1
uiResetHeadsBoard=0
uiMemoryMode=1
uiRipHeadMode=0
uiHeadsTeamMode=0
uiPcicardMode=0
uiUserMode=0
uiCorrectMode=0
uiCorrectFrequency=1
uiHeadsPerColorMode=0
uiHeadsParamsMode=0
uiNozzleShiftMode=0
uiDPIColorMode=0
uiHeadsAlignmentMode=0
uiTakeupMode=0
csPassMode=
[POSITION]
HI=/////////////////////////////////////////////////////
uiZeroToHead=60
uiHeadWidth=1000
uiRepositionLeft=50
uiRepositionRight=50
bRepositionLeft=1
bHeadsProtectLeft=1
iSensor=0
uiMovingLength=22000
uiCleaning=300
uiCleaningWidth=1800
uiFire=45000
uiAccelerationLength=300
[PATH]
HI=/////////////////////////////////////////////////////
csPrintDir=
[PRINTFILE]
HI=/////////////////////////////////////////////////////
csName=
csDrv=TORVIAN
csHtv=HeadsTempVolt
uiType=0
uiSize=0
TestPattern01=~TP01-BQZ128x12.prn
TestPattern02=~TP02-BQZ128x12.prn
TestPattern03=~TP03-BQZ128x12.prn
TestPattern04=~TP04-BQZ128x12.prn
TestPattern05=~TP05-BQZ128x12.prn
[ImageSplit]
HI=/////////////////////////////////////////////////////
Value1=0
Value2=0
Value3=0
Value4=0
)";

std::vector<std::string> splitLines(const std::string& text, const std::string& eol) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(eol, start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + eol.size();
    }
    return lines;
}

class SetupFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<CDrvPrint> d = engine();

    std::unique_ptr<CDrvPrint> engine() const {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir.path();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }
    std::vector<std::string> savedLines() const { return splitLines(dir.read("setup.ini"), "\r\n"); }
    // The value of a key line in the saved file (first match in the section), or "<none>".
    std::string saved(const std::string& section, const std::string& key) const {
        CIniFile ini;
        ini.SetFileName(dir.file("setup.ini"));
        return ini.ReadString(section, key, "<none>");
    }
};

TEST_F(SetupFileTest, FromScratchSaveWritesEverySectionInOrder) {
    ASSERT_EQ(d->PRMSaveParams(), 1);
    const auto expected = splitLines(kDefaultSetupFile, "\n");
    const auto actual = savedLines();
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"setup.ini"});
}

TEST_F(SetupFileTest, SaveKeepsForeignLinesAndEditsKeysInPlace) {
    dir.write("setup.ini", "[PRINTMODE]\nnote=keep me\nuiPass = 4\n[OWN]\nx=1\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiPass, 4u);
    d->uiPass = 6;
    ASSERT_EQ(d->PRMSaveParams(), 1);
    const auto lines = savedLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "[PRINTMODE]");
    EXPECT_EQ(lines[1], "note=keep me");
    EXPECT_EQ(lines[2], "uiPass=6");
    // The other PRINTMODE keys were added at the end of the section, before [OWN].
    auto own = std::find(lines.begin(), lines.end(), "[OWN]");
    ASSERT_NE(own, lines.end());
    EXPECT_EQ(*(own - 1), "csPassMode=");
    EXPECT_EQ(*(own + 1), "x=1");
    EXPECT_EQ(lines[3], "HI=" + std::string(53, '/'));
    // New sections follow the file's last line, in the order the save functions write them.
    std::vector<std::string> headers;
    for (const auto& l : lines)
        if (!l.empty() && l[0] == '[') headers.push_back(l);
    EXPECT_EQ(headers, (std::vector<std::string>{"[PRINTMODE]", "[OWN]", "[BASEHEADALIGNMENT]", "[HEADALIGNMENT]",
                                                 "[MOVEMENT]", "[FOOTER]", "[CLEANING]", "[COLORBAR]", "[MEDIA]",
                                                 "[IMAGERANGE]", "[POSITION]", "[PATH]", "[PRINTFILE]",
                                                 "[ImageSplit]"}));
}

TEST_F(SetupFileTest, EveryKeyRoundTripsWithNonDefaultValues) {
    // Give every key a value of its own, unlike its default.
    int n = 0;
    for (const auto& k : setup::schema()) {
        ++n;
        std::string v = k.type == setup::KeyType::Float  ? std::to_string(n) + ".5"
                        : k.type == setup::KeyType::String ? "text " + std::to_string(n)
                                                           : std::to_string(1000 + n);
        ASSERT_TRUE(setup::setText(k, *d, v)) << k.key;
    }
    d->HEADS = 24;
    d->LINESPERHEAD = 7;
    d->dwEnableHeads = 0xFFFFFFF0u; // stored as a negative number
    std::map<std::string, std::string> before;
    for (const auto& k : setup::schema()) before[k.section + "." + k.key] = setup::fileText(k, *d);
    ASSERT_EQ(d->PRMSaveParams(), 1);
    EXPECT_EQ(saved("PRINTMODE", "dwEnableHeads"), "-16");

    auto e = engine();
    e->PRMLoadParams();
    for (const auto& k : setup::schema())
        EXPECT_EQ(setup::fileText(k, *e), before[k.section + "." + k.key]) << k.section << "." << k.key;
    EXPECT_EQ(e->dwEnableHeads, 0xFFFFFFF0u);
    EXPECT_EQ(e->HEADS, 24u);
    EXPECT_EQ(e->LINESPERHEAD, 7u);

    // A second save of what was loaded writes the same file.
    const std::string first = dir.read("setup.ini");
    ASSERT_EQ(e->PRMSaveParams(), 1);
    EXPECT_EQ(dir.read("setup.ini"), first);
}

TEST_F(SetupFileTest, MissingKeysAndMissingFileGiveDefaults) {
    d->uiPass = 9;
    d->fMMPerXStep = 3.0f;
    d->csDrv = "X";
    d->headAlignment.StepOffset[7] = 5;
    d->PRMLoadParams();
    EXPECT_EQ(d->uiPass, 2u);
    EXPECT_FLOAT_EQ(d->fMMPerXStep, 0.1411111f);
    EXPECT_EQ(d->csDrv, "TORVIAN");
    EXPECT_EQ(d->headAlignment.StepOffset[7], 0);
    EXPECT_TRUE(dir.entries().empty()); // loading creates nothing

    dir.write("setup.ini", "[PRINTMODE]\nuiPass=\nbUnidirection=yes\n[MOVEMENT]\nfMMPerXStep=\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiPass, 0u);       // present but empty: 0, not the default
    EXPECT_EQ(d->bUnidirection, 0); // non-numeric: 0
    EXPECT_EQ(d->fMMPerXStep, 0.0f);
    EXPECT_EQ(d->uiStepsPer144MM, 0); // no division by a zero step size
    EXPECT_EQ(d->uiXSpeed, 1u);
}

TEST_F(SetupFileTest, HeadCountAbove24ReadsAndWritesHeads1To24) {
    std::string text = "[BASEHEADALIGNMENT]\nHEADS=30\n";
    for (int h = 1; h <= 30; ++h) text += "HeadOffsetXL" + std::to_string(h) + "=" + std::to_string(100 + h) + "\n";
    dir.write("setup.ini", text);
    d->PRMLoadParams();
    EXPECT_EQ(d->HEADS, 30u);
    EXPECT_EQ(d->HeadOffsetXL[0], 101);
    EXPECT_EQ(d->HeadOffsetXL[23], 124);

    auto fresh = engine();
    fresh->HEADS = 30;
    ScratchDir other;
    fresh->csBaseDir = other.path();
    ASSERT_EQ(fresh->PRMSaveParams(), 1);
    const std::string out = other.read("setup.ini");
    EXPECT_NE(out.find("\r\nHeadOffsetXL24=1049\r\n"), std::string::npos);
    EXPECT_NE(out.find("\r\nHeadVoltage24=21.1\r\n"), std::string::npos);
    EXPECT_EQ(out.find("HeadOffsetXL25"), std::string::npos);
    EXPECT_EQ(out.find("ColorChannel25"), std::string::npos);
}

TEST_F(SetupFileTest, HeadCountTwoLeavesHeadKeysFrom3Untouched) {
    dir.write("setup.ini",
              "[BASEHEADALIGNMENT]\nHEADS=2\nHeadOffsetXL1=11\nHeadOffsetXL2=12\nHeadOffsetXL3=13\nColorChannel3=9\n"
              "[HEADALIGNMENT]\nHeadOffsetY2=22\nHeadOffsetY3=23\n");
    d->HeadOffsetXL[2] = 77;
    d->ColorChannel[2] = 5;
    d->headAlignment.HeadOffsetY[2] = 78;
    d->PRMLoadParams();
    EXPECT_EQ(d->HeadOffsetXL[1], 12);
    EXPECT_EQ(d->headAlignment.HeadOffsetY[1], 22);
    EXPECT_EQ(d->HeadOffsetXL[2], 77); // not read
    EXPECT_EQ(d->ColorChannel[2], 5);
    EXPECT_EQ(d->headAlignment.HeadOffsetY[2], 78);

    d->HeadOffsetXL[2] = 55;
    d->headAlignment.HeadOffsetY[2] = 56;
    ASSERT_EQ(d->PRMSaveParams(), 1);
    EXPECT_EQ(saved("BASEHEADALIGNMENT", "HeadOffsetXL3"), "13"); // not written
    EXPECT_EQ(saved("BASEHEADALIGNMENT", "ColorChannel3"), "9");
    EXPECT_EQ(saved("HEADALIGNMENT", "HeadOffsetY3"), "23");
    EXPECT_EQ(saved("BASEHEADALIGNMENT", "HeadChannel3"), "<none>");
    EXPECT_EQ(saved("BASEHEADALIGNMENT", "HeadChannel2"), "1");
}

TEST_F(SetupFileTest, HeadAlignmentIsBoundedByTheBaseHeadCount) {
    dir.write("setup.ini",
              "[BASEHEADALIGNMENT]\nHEADS=1\n[HEADALIGNMENT]\nHEADS=8\nHeadOffsetXL1=5\nHeadOffsetXL2=6\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->headAlignment.HEADS, 8u);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[0], 5);
    EXPECT_EQ(d->headAlignment.HeadOffsetXL[1], 1049); // not read: the default
}

TEST_F(SetupFileTest, LinesPerHeadOutOfRangeLoadsAsOne) {
    for (auto [text, expect] : std::vector<std::pair<const char*, unsigned>>{{"11", 1}, {"0", 1}, {"10", 10}, {"3", 3}}) {
        dir.write("setup.ini", std::string("[BASEHEADALIGNMENT]\nLINESPERHEAD=") + text + "\n");
        d->PRMLoadParams();
        EXPECT_EQ(d->LINESPERHEAD, expect) << text;
    }
}

TEST_F(SetupFileTest, HeadsAndNozzlesPerColorFollowTheMode) {
    dir.write("setup.ini",
              "[BASEHEADALIGNMENT]\nHEADS=8\nLINESPERHEAD=1\nCOLORS=4\nNOZZLESPERHEAD=126\n[PRINTMODE]\n"
              "uiHeadsPerColorMode=0\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiHeadsPerColor, 2u);
    EXPECT_EQ(d->uiNozzlesPerColor, 252u);

    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nHEADS=8\nCOLORS=4\n[PRINTMODE]\nuiHeadsPerColorMode=2\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiHeadsPerColor, 1u);
    EXPECT_EQ(d->uiNozzlesPerColor, 126u);

    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nHEADS=8\nCOLORS=4\nLINESPERHEAD=2\n[PRINTMODE]\nuiHeadsPerColorMode=0\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiHeadsPerColor, 1u);

    d->uiHeadsPerColor = 3;
    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nHEADS=8\nNOZZLESPERHEAD=100\n[PRINTMODE]\nuiHeadsPerColorMode=5\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiHeadsPerColor, 3u); // other modes leave it
    EXPECT_EQ(d->uiNozzlesPerColor, 300u);

    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nHEADS=8\nCOLORS=0\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiHeadsPerColor, 0u); // no division by zero colours
}

TEST_F(SetupFileTest, HeadsPerColorModeIsReadWithTheBaseSectionOnly) {
    dir.write("setup.ini", "[PRINTMODE]\nuiHeadsPerColorMode=1\nuiPass=4\n");
    d->PRMLoadParamsPrintSetting();
    EXPECT_EQ(d->uiPass, 4u);
    EXPECT_EQ(d->uiHeadsPerColorMode, 0u);
    d->PRMLoadParamsBaseHeadAlignment();
    EXPECT_EQ(d->uiHeadsPerColorMode, 1u);
    EXPECT_EQ(d->uiHeadsPerColor, 1u);
}

TEST_F(SetupFileTest, HeadOrdinalsCountHeadsPerColour) {
    dir.write("setup.ini",
              "[BASEHEADALIGNMENT]\nHEADS=6\nColorChannel1=0\nColorChannel2=1\nColorChannel3=0\nColorChannel4=1\n"
              "ColorChannel5=40\nColorChannel6=12\n");
    d->uiHeadIndexInColor[10] = 9;
    d->PRMLoadParams();
    const unsigned expected[6] = {0, 0, 1, 1, 0, 0};
    for (int h = 0; h < 6; ++h) EXPECT_EQ(d->uiHeadIndexInColor[h], expected[h]) << "head " << h + 1;
    EXPECT_EQ(d->uiHeadIndexInColor[10], 0u); // cleared at each load
    // The counters start again at every load.
    d->PRMLoadParamsBaseHeadAlignment();
    EXPECT_EQ(d->uiHeadIndexInColor[2], 1u);
}

TEST_F(SetupFileTest, MovementLoadDerivesFireDividerAndStepsPer144MM) {
    d->fDPIRate = 2.0f;
    dir.write("setup.ini", "[MOVEMENT]\niFireFrequency=5\nfMMPerXStep=0.0705555\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiFireDivider, 5u);
    EXPECT_EQ(d->fDPIRate, 1.0f);
    EXPECT_EQ(d->uiStepsPer144MM, 20); // 1.44 / 0.0705555 = 20.4
    dir.write("setup.ini", "");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiStepsPer144MM, 10);
    dir.write("setup.ini", "[MOVEMENT]\nfMMPerXStep=-1\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiStepsPer144MM, 0);
    dir.write("setup.ini", "[MOVEMENT]\nfMMPerXStep=1e-30\n");
    d->PRMLoadParams();
    EXPECT_GT(d->uiStepsPer144MM, 0); // clamped, no overflow
}

TEST_F(SetupFileTest, LoadSetsTheMaterialFileFromMediaName) {
    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nMediaName=Vinyl Gloss\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->MediaName, "Vinyl Gloss");
    EXPECT_EQ(d->csMediaFile, dir.path() + "/Materials/Material-Vinyl Gloss.ini");
}

TEST_F(SetupFileTest, SetupFileLiesInTheBaseDirectoryWhateverTheCurrentDirectory) {
    ScratchDir elsewhere;
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    EXPECT_EQ(d->PRMSaveParams(), 1);
    std::filesystem::current_path(old);
    EXPECT_TRUE(dir.exists("setup.ini"));
    EXPECT_TRUE(elsewhere.entries().empty());
    EXPECT_EQ(d->setupIni.GetFileName(), "setup.ini"); // the bare name is kept
    EXPECT_EQ(d->PRMSetupFilePath(), dir.path() + "/setup.ini");
}

TEST_F(SetupFileTest, SaveIntoAMissingDirectoryFailsAndKeepsTheSettings) {
    d->csBaseDir = dir.file("missing");
    d->uiPass = 4;
    EXPECT_EQ(d->PRMSaveParams(), 0);
    EXPECT_EQ(d->PRMSaveParamsMovement(), 0);
    EXPECT_EQ(d->uiPass, 4u);
}

TEST_F(SetupFileTest, SectionSavesWriteTheirSectionsOnly) {
    ASSERT_EQ(d->PRMSaveParamsMovement(), 1);
    auto lines = savedLines();
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[0], "[MOVEMENT]");
    EXPECT_EQ(lines[1], "HI=" + std::string(53, '/'));
    ASSERT_EQ(d->PRMSaveParamsPrintSetting(), 1);
    lines = savedLines();
    EXPECT_EQ(lines[27], "[FOOTER]");
    auto img = std::find(lines.begin(), lines.end(), "[IMAGERANGE]");
    ASSERT_NE(img, lines.end());
    EXPECT_EQ(*(img + 1), "HI=" + std::string(53, '/'));
    EXPECT_EQ(*(img + 2), "[PRINTMODE]");
}

TEST_F(SetupFileTest, GetCurrentSetupWithoutCurrentSetupIni) {
    std::string name = "old";
    EXPECT_EQ(d->AUXINIGetCurrentSetup(name), 0); // no setup.ini either
    EXPECT_EQ(name, "");
    EXPECT_EQ(d->csCurrentSetupFile, "setup.ini");
    dir.write("setup.ini", "");
    EXPECT_EQ(d->AUXINIGetCurrentSetup(name), 1);
    EXPECT_EQ(name, "");
    EXPECT_FALSE(dir.exists("CurrentSetup.ini"));
}

TEST_F(SetupFileTest, SetThenGetCurrentSetup) {
    dir.write("setup.ini", "[PRINTMODE]\nuiPass=4\n[EXTRA]\nkeep=1\n");
    d->PRMLoadParams();
    std::string name = "Vinyl";
    EXPECT_EQ(d->AUXINISetCurrentSetup(name), 1);
    EXPECT_EQ(dir.read("CurrentSetup.ini"), "[CurrentSetup]\r\nIniFileName=setup-Vinyl.ini\r\n");
    EXPECT_EQ(d->setupIni.GetFileName(), "setup-Vinyl.ini");

    std::string got;
    EXPECT_EQ(d->AUXINIGetCurrentSetup(got), 0); // not saved yet
    EXPECT_EQ(got, "Vinyl");
    EXPECT_EQ(d->csCurrentSetupFile, "setup-Vinyl.ini");

    // The settings in memory and the other lines of the previous file go into the new file.
    ASSERT_EQ(d->PRMSaveParams(), 1);
    EXPECT_EQ(d->AUXINIGetCurrentSetup(got), 1);
    CIniFile vinyl;
    vinyl.SetFileName(dir.file("setup-Vinyl.ini"));
    EXPECT_EQ(vinyl.ReadInt("PRINTMODE", "uiPass", 0), 4);
    EXPECT_EQ(vinyl.ReadInt("EXTRA", "keep", 0), 1);
    EXPECT_EQ(dir.read("setup.ini"), "[PRINTMODE]\nuiPass=4\n[EXTRA]\nkeep=1\n"); // untouched

    // A new engine starts on the chosen setup.
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    auto e = std::make_unique<CDrvPrint>();
    std::filesystem::current_path(old);
    EXPECT_EQ(e->setupIni.GetFileName(), "setup-Vinyl.ini");
    e->PRMLoadParams();
    EXPECT_EQ(e->uiPass, 4u);
}

TEST_F(SetupFileTest, SetCurrentSetupRefusesNamesThatAreNoPlainFileName) {
    for (std::string bad : std::vector<std::string>{"../x", "a/b", "a\\b", "a\nb"}) {
        EXPECT_EQ(d->AUXINISetCurrentSetup(bad), 0) << bad;
        EXPECT_EQ(d->setupIni.GetFileName(), "setup.ini");
    }
    EXPECT_FALSE(dir.exists("CurrentSetup.ini"));
    d->csBaseDir = dir.file("missing");
    std::string ok = "Vinyl";
    EXPECT_EQ(d->AUXINISetCurrentSetup(ok), 0); // CurrentSetup.ini cannot be written
    EXPECT_EQ(d->setupIni.GetFileName(), "setup.ini");
}

TEST_F(SetupFileTest, ShortAndOddSetupFileNames) {
    dir.write("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=  my.ini  \n");
    dir.write("my.ini", "");
    std::string name;
    EXPECT_EQ(d->AUXINIGetCurrentSetup(name), 1);
    EXPECT_EQ(name, "");
    EXPECT_EQ(d->csCurrentSetupFile, "my.ini");
    dir.write("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-AB.ini\n");
    EXPECT_EQ(d->AUXINIGetCurrentSetup(name), 0);
    EXPECT_EQ(name, "AB");
    dir.write("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=\n");
    EXPECT_EQ(d->AUXINIGetCurrentSetup(name), 0);
    EXPECT_EQ(name, "");
}

TEST_F(SetupFileTest, DamagedSetupAndMaterialFilesAreReportedAtLoad) {
    // Random bytes: defaults in memory, and a warning that says so.
    std::string bytes;
    uint32_t x = 99;
    for (int i = 0; i < 2000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 24);
    }
    dir.write("setup.ini", bytes);
    d->PRMLoadParams();
    EXPECT_EQ(d->uiPass, 2u);
    EXPECT_EQ(d->csSettingsWarning.rfind("setup.ini: binary data (", 0), 0u) << d->csSettingsWarning;

    // A sound setup naming a material whose file has a stray line.
    dir.write("setup.ini", "[BASEHEADALIGNMENT]\nMediaName=Vinyl\n[PRINTMODE]\nuiPass=4\n");
    std::filesystem::create_directory(dir.file("Materials"));
    dir.write("Materials/Material-Vinyl.ini", "[MEDIA]\nMediaWidth=1600\noops\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->uiPass, 4u);
    EXPECT_EQ(d->mediaOffset.MediaWidth, 1600);
    EXPECT_EQ(d->csSettingsWarning, "Material-Vinyl.ini: 1 line not understood: line 3 \"oops\"");

    // Sound files: no warning left from before.
    dir.write("Materials/Material-Vinyl.ini", "[MEDIA]\nMediaWidth=1600\n");
    d->PRMLoadParams();
    EXPECT_EQ(d->csSettingsWarning, "");
}

// Names read from files become paths; one that leads out of its folder is refused and nothing is
// written there.
TEST_F(SetupFileTest, IniFileNameThatIsNoPlainFileNameIsRefused) {
    ScratchDir outside;
    for (const std::string& bad : {std::string("../victim.txt"), outside.file("victim.txt"), std::string("a/b.ini"),
                                   std::string(".."), std::string("")}) {
        dir.write("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=" + bad + "\n");
        EXPECT_EQ(d->PRMCurrentSetupFileName(), "setup.ini") << bad;
        std::string name;
        d->AUXINIGetCurrentSetup(name);
        EXPECT_EQ(d->csCurrentSetupFile, "setup.ini") << bad;
        const auto old = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        auto e = std::make_unique<CDrvPrint>();
        std::filesystem::current_path(old);
        EXPECT_EQ(e->setupIni.GetFileName(), "setup.ini") << bad;
        e->PRMLoadParams();
        EXPECT_EQ(e->PRMSaveParams(), 1);
    }
    EXPECT_TRUE(outside.entries().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/../victim.txt"));
    for (const std::string& e : dir.entries()) EXPECT_TRUE(e == "CurrentSetup.ini" || e == "setup.ini" || e == "carvex.log") << e;
}

TEST_F(SetupFileTest, MediaNameThatLeadsOutOfTheMaterialsFolderIsRefused) {
    for (const std::string& bad : {std::string("x/../../../esc/owned"), std::string("../owned"), std::string("a\\b")}) {
        dir.write("setup.ini", "[BASEHEADALIGNMENT]\nMediaName=" + bad + "\n");
        d->PRMLoadParams();
        EXPECT_EQ(d->csMediaFile, "") << bad;
        EXPECT_EQ(d->mediaOffset.csMediaFile, "") << bad;
        EXPECT_NE(d->csSettingsWarning.find("MediaName \"" + bad + "\" refused (not a plain file name: holds a path separator)"),
                  std::string::npos)
            << d->csSettingsWarning;
        EXPECT_EQ(d->PRMSaveMediaParams(&d->mediaOffset), 0);
        EXPECT_EQ(d->PRMMediaFilePath(bad), "");
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"setup.ini"}));
}

TEST(SetupSchema, TableIsCompleteAndConsistent) {
    const auto& keys = setup::schema();
    std::set<std::string> names, consoleNames;
    for (const auto& k : keys) {
        EXPECT_TRUE(names.insert(k.section + "." + k.key).second) << "duplicate " << k.key;
        EXPECT_TRUE(consoleNames.insert(k.consoleName).second) << "duplicate console name " << k.consoleName;
        EXPECT_EQ(setup::findByName(k.consoleName), &k);
        EXPECT_EQ(setup::findByName(k.section + "." + k.key), &k);
        EXPECT_EQ(setup::findKey(k.section, k.key), &k);
    }
    // MOVEMENT, BASEHEADALIGNMENT (HEADS, 6 keys for 24 heads, 17 more), HEADALIGNMENT, FOOTER,
    // CLEANING, COLORBAR, MEDIA, PRINTMODE, POSITION, PATH, PRINTFILE, ImageSplit.
    EXPECT_EQ(keys.size(), 25u + (1u + 6u * 24u + 17u) + 86u + 13u + 19u + 7u + 15u + 32u + 12u + 1u + 10u + 4u);
    EXPECT_EQ(setup::findByName("HEADS")->section, "BASEHEADALIGNMENT");
    EXPECT_EQ(setup::findByName("HEADALIGNMENT.HEADS")->section, "HEADALIGNMENT");
    EXPECT_EQ(setup::findByName("HeadOffsetXL24")->section, "BASEHEADALIGNMENT");
    EXPECT_EQ(setup::findByName("HEADALIGNMENT.HeadOffsetXL1")->key, "HeadOffsetXL1");
    EXPECT_EQ(setup::findByName("bEnable"), nullptr); // three sections have it
    EXPECT_EQ(setup::findByName("FOOTER.bEnable")->section, "FOOTER");
    EXPECT_EQ(setup::findByName("COLORBAR.uiMode")->section, "COLORBAR");
    EXPECT_EQ(setup::findByName("uiPass")->section, "PRINTMODE");
    EXPECT_EQ(setup::findByName("fMMPerXStep")->defaultText, "0.1411111");
    EXPECT_EQ(setup::findByName("HeadVoltage3")->format, std::string("%.1f"));
    EXPECT_EQ(setup::findByName("uiHeadsPerColorMode")->loadGroup, setup::Group::BaseHeadAlignment);
    EXPECT_EQ(setup::findByName("uiHeadsPerColorMode")->saveGroup, setup::Group::PrintSetting);
}

TEST(SetupSchema, LoadOrdersFollowTheFile) {
    auto names = [](setup::Group g) {
        std::vector<std::string> v;
        for (auto* k : setup::loadOrder(g)) v.push_back(k->key);
        return v;
    };
    auto base = names(setup::Group::BaseHeadAlignment);
    ASSERT_GE(base.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(base.begin(), base.begin() + 8),
              (std::vector<std::string>{"HEADS", "HeadOffsetXL1", "HeadOffsetXR1", "HeadOffsetY1", "ColorChannel1",
                                        "HeadChannel1", "HeadVoltage1", "HeadOffsetXL2"}));
    auto media = std::find(base.begin(), base.end(), "MediaName");
    ASSERT_NE(media, base.end());
    EXPECT_EQ(*(media + 1), "uiHeadsPerColorMode");
    EXPECT_EQ(*(media + 2), "NOZZLESOFFSET");
    auto align = names(setup::Group::HeadAlignment);
    EXPECT_EQ(align[3], "StepOffset1");
    EXPECT_EQ(align[11], "HeadOffsetXL1");
    EXPECT_EQ(align.back(), "BiDifference3");
    auto movement = names(setup::Group::Movement);
    EXPECT_EQ(movement[movement.size() - 4], "fMMPerXStep");
    EXPECT_EQ(movement[movement.size() - 3], "fMMPerYStep");
    auto print = names(setup::Group::PrintSetting);
    EXPECT_EQ(print.front(), "csMemo");
    EXPECT_EQ(std::count(print.begin(), print.end(), "uiHeadsPerColorMode"), 0);
    auto flash = std::find(print.begin(), print.end(), "uiFlashAtHome");
    EXPECT_EQ(*(flash + 1), "uiMode");
}

TEST(SetupSchema, ConsoleValuesParseStrictly) {
    SetupSettings s;
    auto* pass = setup::findByName("uiPass");
    EXPECT_FALSE(setup::setText(*pass, s, "4x"));
    EXPECT_FALSE(setup::setText(*pass, s, ""));
    EXPECT_FALSE(setup::setText(*pass, s, "99999999999"));
    EXPECT_EQ(s.uiPass, 2u);
    EXPECT_TRUE(setup::setText(*pass, s, " 4 "));
    EXPECT_EQ(s.uiPass, 4u);
    auto* heads = setup::findByName("dwEnableHeads");
    EXPECT_TRUE(setup::setText(*heads, s, "-1"));
    EXPECT_EQ(s.dwEnableHeads, 0xFFFFFFFFu);
    EXPECT_EQ(setup::displayText(*heads, s), "-1");
    auto* step = setup::findByName("fMMPerXStep");
    EXPECT_FALSE(setup::setText(*step, s, "nan"));
    EXPECT_FALSE(setup::setText(*step, s, "1e60"));
    EXPECT_FALSE(setup::setText(*step, s, "0,5"));
    EXPECT_TRUE(setup::setText(*step, s, "0.0705555"));
    EXPECT_EQ(setup::displayText(*step, s), "0.0705555");
    EXPECT_EQ(setup::fileText(*step, s), "0.070556");
    auto* memo = setup::findByName("FOOTER.csMemo");
    EXPECT_FALSE(setup::setText(*memo, s, "a\nb"));
    EXPECT_TRUE(setup::setText(*memo, s, "中文 备注"));
    EXPECT_EQ(s.footer.csMemo, "中文 备注");
}

} // namespace

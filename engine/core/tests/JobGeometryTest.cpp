#include <gtest/gtest.h>

#include "core/DrvPrint.h"

namespace {

TEST(JobGeometry, HeadsPerColorModes) {
    CDrvPrint d;
    d.HEADS = 8;
    d.LINESPERHEAD = 1;
    d.COLORS = 4;
    d.uiPassCount = 2;
    d.uiHeadsPerColorMode = 0;
    d.PRNInitParams();
    EXPECT_EQ(d.uiHeadsPerColor, 2u);
    EXPECT_EQ(d.uiNozzlesPerColor, 252u);
    d.uiHeadsPerColorMode = 2;
    d.PRNInitParams();
    EXPECT_EQ(d.uiHeadsPerColor, 1u);
    d.uiHeadsPerColorMode = 7; // unknown modes leave it as it was
    d.PRNInitParams();
    EXPECT_EQ(d.uiHeadsPerColor, 1u);
}

TEST(JobGeometry, PassCodeFallsBackToSetupPass) {
    CDrvPrint d;
    d.uiPass = 9;
    const unsigned codes[][2] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {6, 4}, {8, 5}, {12, 6}, {16, 7}, {5, 9}};
    for (auto [passes, code] : codes) {
        d.uiPassCount = passes;
        d.PRNInitParams();
        EXPECT_EQ(d.uiPassCode, code) << passes << " passes";
    }
}

TEST(JobGeometry, InterlaceAndNozzleSkipAtLowResolution) {
    CDrvPrint d;
    d.ripHead.uiYDPI = 90;
    d.fHeadDPI = 185.21f;
    d.uiDPIColorMode = 0;
    d.uiPassCount = 2;
    d.PRNInitParams();
    EXPECT_EQ(d.uiInterlace, 1u);
    EXPECT_EQ(d.uiNozzleSkip, 2u);
}

TEST(JobGeometry, FeatherTakesNozzlesFromEachPass) {
    CDrvPrint d;
    d.ripHead.uiYDPI = 360;
    d.uiPassCount = 4;
    d.bEdgeFeather = 1;
    d.uiFeatherSize = 3;
    d.PRNInitParams();
    EXPECT_EQ(d.uiFeatherMode, 1u);
    EXPECT_EQ(d.uiInterlace, 3u); // 720.5 / 185.21
    EXPECT_EQ(d.uiNozzlesPerHeadPass, (126u - 6) / 4);
    EXPECT_EQ(d.uiLinesPerStep, 3u * ((126u - 6) / 4));
    d.uiPrintJobKind = 1; // test prints never feather
    d.PRNInitParams();
    EXPECT_EQ(d.uiFeatherMode, 0u);
}

TEST(JobGeometry, ZeroSettingsNeverDivideByZero) {
    CDrvPrint d;
    d.COLORS = 0;
    d.LINESPERHEAD = 0;
    d.fHeadDPI = 0;
    d.ripHead.uiYDPI = 0;
    d.uiPassCount = 0;
    d.PRNInitParams();
    EXPECT_EQ(d.uiLinesPerStep, 0u);
    d.PRNSetBuffMemory();
    EXPECT_EQ(d.uiStepTotal, 0u);
    EXPECT_FALSE(d.PRNCheckBufferLimits().empty());
}

TEST(JobGeometry, StepTotalCoversImageOffsetsAndPasses) {
    CDrvPrint d;
    d.ripHead.uiYDPI = 360;
    d.ripHead.uiHeight = 1000;
    d.ripHead.uiBytesPerLine = 100;
    d.uiPassCount = 4;
    d.headAlignment.MAXHEADOFFSETY = 10;
    d.PRNInitParams();
    d.PRNSetBuffMemory();
    const unsigned lps = d.uiLinesPerStep; // 3 * 31 = 93
    ASSERT_EQ(lps, 93u);
    EXPECT_EQ(d.uiStepTotal, (3 * 10 + 1000 + lps - 1) / lps + 3);
    EXPECT_EQ(d.uiImageBands, (1000 + lps - 1) / lps);
    EXPECT_EQ(d.uiBandBytes, 100u * lps);
    EXPECT_EQ(d.uiRingBytes, 3u * 4 * 100 * lps);
    EXPECT_EQ(d.uiRingWritePos, d.uiRingBytes - d.uiBandBytes);
    EXPECT_EQ(d.uiStepSendCount.load(), d.uiStepTotal);
    d.uiPrintJobKind = 1;
    d.PRNInitParams();
    d.PRNSetBuffMemory();
    EXPECT_EQ(d.uiStepTotal, 2u);
}

TEST(PrintBuffers, AllocatesWithinLimitsAndRefusesAbsurdSetups) {
    CDrvPrint d;
    d.COLORCACHE = 1;
    d.HEADCACHE = 1;
    d.PRNInitMemory();
    ASSERT_EQ(d.bBuffersReady, 1);
    EXPECT_EQ(d.uiHeadsAllocated, 4u);
    EXPECT_EQ(d.uiColorsAllocated, 4u);

    d.HEADS = 30;
    d.PRNInitMemory();
    EXPECT_EQ(d.bBuffersReady, 0);
    EXPECT_TRUE(d.headPassBuf.empty());
    EXPECT_NE(d.csBufferError.find("HEADS"), std::string::npos);

    d.HEADS = 4;
    d.COLORS = 13;
    d.PRNInitMemory();
    EXPECT_EQ(d.bBuffersReady, 0);

    d.COLORS = 4;
    d.COLORCACHE = 1u << 30; // a petabyte of ring per colour
    d.PRNInitMemory();
    EXPECT_EQ(d.bBuffersReady, 0);
    EXPECT_TRUE(d.colorRing.empty());
}

TEST(PrintBuffers, JobRingMustFitTheColourCache) {
    CDrvPrint d;
    d.COLORCACHE = 1;
    d.HEADCACHE = 1;
    d.PRNInitMemory();
    d.ripHead.uiYDPI = 360;
    d.ripHead.uiHeight = 100;
    d.ripHead.uiBytesPerLine = 10000; // 3 * 4 * 93 lines * 10000 bytes > 1 MB
    d.uiPassCount = 4;
    d.PRNInitParams();
    d.PRNSetBuffMemory();
    EXPECT_NE(d.PRNCheckBufferLimits().find("COLORCACHE"), std::string::npos);
    d.ripHead.uiBytesPerLine = 100;
    d.PRNSetBuffMemory();
    EXPECT_EQ(d.PRNCheckBufferLimits(), "");
}

TEST(EngineObject, ConstructionDefaults) {
    CDrvPrint d;
    EXPECT_EQ(d.bStop.load(), 1u);
    EXPECT_EQ(d.bStopSeen.load(), 1u);
    EXPECT_EQ(d.bPause.load(), 1u);
    EXPECT_EQ(d.bPauseSeen.load(), 1u);
    EXPECT_EQ(d.bEightLineMode, 1);
    EXPECT_EQ(d.uiCopies.load(), 1u);
    EXPECT_FLOAT_EQ(d.fShiftStepMM, 0.5f);
    for (unsigned m : d.uiMaskIndex) EXPECT_EQ(m, 20u);
    EXPECT_STREQ(d.csPrintStep.get(), "");
    d.SetToolBarButtons(0);
    EXPECT_EQ(d.bStop.load() + d.bStopSeen.load() + d.bPause.load() + d.bPauseSeen.load(), 0u);
}

TEST(EightLineTables, ShiftJoinsAdjacentBytes) {
    CDrvPrint d;
    EXPECT_EQ(d.Table8A(0, 0x12, 0x34), 0x34);
    EXPECT_EQ(d.Table8A(4, 0x12, 0x34), 0x23);
    EXPECT_EQ(d.Table8A(7, 0xFF, 0x00), 0xFE);
    // B: rev(lo) << (8 - s) + rev(hi) >> s, low byte.
    EXPECT_EQ(d.Table8B(0, 0x01, 0x80), 0x80); // rev(0x01) = 0x80
    EXPECT_EQ(d.Table8B(1, 0x01, 0x01), 0x40); // (0x80 << 7) keeps no low bits; 0x80 >> 1
    EXPECT_EQ(d.Table8B(4, 0x0F, 0xF0), 0xFF); // 0x0F << 4 plus 0xF0 >> 4
}

} // namespace

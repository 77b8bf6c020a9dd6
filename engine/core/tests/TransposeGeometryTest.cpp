// Colour-bar geometry, the dot rate, the layout switch and the debug bitmaps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TransposeRig.h"
#include "platform/Files.h"
#include "testsupport/ScratchDir.h"

namespace rastertest {
namespace {

TEST(DpiRate, ConvertsBetweenJobDotsAndSteps) {
    CDrvPrint d;
    d.fDPIRate = 1.0f;
    EXPECT_EQ(d.UI_DPIRate(0, 12345), 12345u);
    EXPECT_EQ(d.UI_DPIRate(1, 12345), 12345u);
    d.fDPIRate = 2.0f;
    EXPECT_EQ(d.UI_DPIRate(0, 7), 3u); // truncated
    EXPECT_EQ(d.UI_DPIRate(1, 7), 14u);
    EXPECT_EQ(d.UI_DPIRate(5, 7), 14u); // any non-zero direction multiplies
    d.fDPIRate = 4.0f / 3.0f;
    EXPECT_EQ(d.UI_DPIRate(1, 3), 4u);
    EXPECT_EQ(d.UI_DPIRate(0, 4), 2u); // (1 / rate) * 4 is 2.99999..., truncated
    d.fDPIRate = 1000.0f;
    EXPECT_EQ(d.UI_DPIRate(1, 4294967295u), 4294967295u); // saturates instead of wrapping
}

TEST(DpiRate, BrokenRateCountsAsOne) {
    CDrvPrint d;
    d.fDPIRate = 0.0f;
    EXPECT_EQ(d.UI_DPIRate(0, 99), 99u);
    d.fDPIRate = -2.0f;
    EXPECT_EQ(d.UI_DPIRate(1, 99), 99u);
}

struct BarSetup : ::testing::Test {
    CDrvPrint d;
    void SetUp() override {
        d.COLORS = 4;
        d.colorBar.bEnable = 1;
        d.colorBar.uiMode = 0;
        d.colorBar.uiDistance = 70;
        d.colorBar.uiWidthMixed = 5;
        d.colorBar.uiWidth = 20;
        d.colorBar.uiPosition = 1;
        d.bEightLineMode = 0;
    }
};

TEST_F(BarSetup, WidthsInJobDots) {
    d.fDPIRate = 2.0f;
    d.PRNSetColorBar();
    EXPECT_EQ(d.uiColorBarDistance, 140u);
    EXPECT_EQ(d.uiColorBarMixedWidth, 10u);
    EXPECT_EQ(d.uiColorBarEachWidth, 40u);
    EXPECT_EQ(d.uiColorBarPosition, 1u);
    EXPECT_EQ(d.uiColorBarWidth, 4u * 40 + 10 + 140);
}

TEST_F(BarSetup, EightLineModeRoundsToWholeBytes) {
    d.bEightLineMode = 1;
    d.PRNSetColorBar();
    EXPECT_EQ(d.uiColorBarDistance, 72u);
    EXPECT_EQ(d.uiColorBarMixedWidth, 8u);
    EXPECT_EQ(d.uiColorBarEachWidth, 24u);
    EXPECT_EQ(d.uiColorBarWidth, 4u * 24 + 8 + 72);
}

TEST_F(BarSetup, BothSidesCountTwice) {
    d.colorBar.uiPosition = 2;
    d.PRNSetColorBar();
    EXPECT_EQ(d.uiColorBarWidth, 2u * (4 * 20 + 5 + 70));
}

TEST_F(BarSetup, DisabledBarsTakeNoRoom) {
    d.PRNSetColorBar();
    d.colorBar.bEnable = 0;
    d.PRNSetColorBar();
    EXPECT_EQ(d.uiColorBarWidth, 0u);
    EXPECT_EQ(d.uiColorBarDistance, 0u);
    EXPECT_EQ(d.uiColorBarMixedWidth, 0u);
    EXPECT_EQ(d.uiColorBarEachWidth, 20u); // kept, unused without width
}

TEST_F(BarSetup, OtherModesKeepThePreviousGeometry) {
    d.PRNSetColorBar();
    d.colorBar.uiMode = 1;
    d.colorBar.uiWidth = 99;
    d.PRNSetColorBar();
    EXPECT_EQ(d.uiColorBarEachWidth, 20u);
    EXPECT_EQ(d.uiColorBarWidth, 4u * 20 + 5 + 70);
}

TEST(TransposeSwitch, EightLineModeSelectsTheLayout) {
    Rig rig;
    rig.alloc(1, 128 * 4, 128 * 64);
    rig.geometry(128, 4, 128, 16, 32);
    rig.d->bVertMirror = 1;
    rig.d->bPassMirror = 1;
    rig.dot(0, 9, 0);
    rig.d->bEightLineMode = 1;
    rig.d->IMGRowToColumn();
    EXPECT_EQ(rig.card(0)[9], 0x80); // row 9 of group 0
    rig.d->bEightLineMode = 0;
    rig.d->IMGRowToColumn();
    EXPECT_EQ(rig.card(0)[1], 0x40); // column 0, byte 1, bit 6
    EXPECT_EQ(rig.card(0)[9], 0);
}

class DebugBitmaps : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"rasterbmp"};
    std::string dir = scratch.path();
    static uint32_t u32(const std::string& s, size_t at) {
        return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
               uint32_t(uint8_t(s[at + 3])) << 24;
    }
    // Pixel (x, y) from the top of a 1-bit bitmap.
    static bool ink(const std::string& s, uint32_t x, uint32_t y) {
        const uint32_t w = u32(s, 18), h = u32(s, 22), stride = (w + 31) / 32 * 4;
        return (uint8_t(s[62 + size_t(h - 1 - y) * stride + x / 8]) >> (7 - x % 8)) & 1;
    }
};

TEST_F(DebugBitmaps, SourceAndTargetOfEachHead) {
    Rig rig;
    rig.d->csBaseDir = dir;
    rig.alloc(2, 20 * 3, 16 * 50);
    rig.geometry(20, 3, 20, 16, 24);
    rig.d->bEightLineMode = 0;
    rig.d->bVertMirror = 1;
    rig.d->bPassMirror = 1;
    rig.d->bDebugBmp = 1;
    rig.dot(1, 2, 5);
    rig.d->IMGRowToColumn();

    std::string src, dst;
    ASSERT_TRUE(platform::readFile(dir + "/bmps/pSource-C0001.bmp", src));
    ASSERT_TRUE(platform::readFile(dir + "/bmps/pTarget-C0001.bmp", dst));
    EXPECT_TRUE(platform::fileExists(dir + "/bmps/pSource-C0000.bmp"));
    EXPECT_EQ(src.substr(0, 2), "BM");
    EXPECT_EQ(u32(src, 2), src.size());
    EXPECT_EQ(u32(src, 10), 62u);
    EXPECT_EQ(u32(src, 18), 24u); // 3 bytes of dots
    EXPECT_EQ(u32(src, 22), 20u); // 20 rows
    EXPECT_EQ(uint8_t(src[28]), 1u);
    EXPECT_EQ(u32(src, 38), 7085u);
    EXPECT_EQ(u32(src, 42), 7085u);
    EXPECT_TRUE(ink(src, 5, 2));
    EXPECT_FALSE(ink(src, 5, 3));
    // the target: one bitmap row per column, 128 nozzle bits across
    EXPECT_EQ(u32(dst, 18), 128u);
    EXPECT_EQ(u32(dst, 22), 50u); // 100 + 24 columns cleared, 50 held
    EXPECT_TRUE(ink(dst, 2, 5));
}

TEST_F(DebugBitmaps, EightLineTargetLooksLikeThePass) {
    Rig rig;
    rig.d->csBaseDir = dir;
    rig.alloc(1, 128 * 2, 128 * 40);
    rig.geometry(128, 2, 128, 16, 16);
    rig.d->bEightLineMode = 1;
    rig.d->bVertMirror = 1;
    rig.d->bPassMirror = 1;
    rig.d->bDebugBmp = 1;
    rig.d->headAlignment.HeadOffsetXR[0] = 3;
    rig.dot(0, 7, 4);
    rig.d->IMGRowToColumn();
    std::string dst;
    ASSERT_TRUE(platform::readFile(dir + "/bmps/pTarget-C0000.bmp", dst));
    EXPECT_EQ(u32(dst, 22), 128u);
    EXPECT_EQ(u32(dst, 18), 8u * 27); // the cleared groups: (100 + 16 + 100) * 16 bytes
    EXPECT_TRUE(ink(dst, 7, 7));
}

} // namespace
} // namespace rastertest

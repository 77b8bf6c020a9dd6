#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "core/DrvPrint.h"

namespace {

class UnitsTest : public ::testing::Test {
protected:
    CDrvPrint d;
};

TEST_F(UnitsTest, IntegerFormsWithTheDefaultStepSizes) {
    EXPECT_EQ(d.XMMToPulse(20), 142);
    EXPECT_EQ(d.YMMToPulse(30), 875);
    EXPECT_EQ(d.XMMToPulse(0), 0);
    EXPECT_EQ(d.YMMToPulse(0), 0);
    // Rounding up by half also for negatives: -7.087 + 0.5 truncates to -6.
    EXPECT_EQ(d.XMMToPulse(-1), -6);
    EXPECT_EQ(d.XPulseToMM(142), 20);
    EXPECT_EQ(d.YPulseToMM(875), 30);
    // -0.988 + 0.5 truncates to 0.
    EXPECT_EQ(d.XPulseToMM(-7), 0);
    EXPECT_EQ(d.XPulseToMM(-15), -1);
    // Whole millimetres survive the trip to steps and back.
    for (int mm = 0; mm <= 3000; ++mm) {
        ASSERT_EQ(d.XPulseToMM(d.XMMToPulse(mm)), mm) << mm;
        ASSERT_EQ(d.YPulseToMM(d.YMMToPulse(mm)), mm) << mm;
    }
}

TEST_F(UnitsTest, IntegerFormsRoundUpAtExactHalves) {
    d.fMMPerXStep = 2.0f; // 1 mm is exactly half a step
    d.fMMPerYStep = 2.0f;
    EXPECT_EQ(d.XMMToPulse(1), 1);
    EXPECT_EQ(d.XMMToPulse(3), 2);
    EXPECT_EQ(d.XMMToPulse(-1), 0);
    EXPECT_EQ(d.XMMToPulse(-3), -1);
    EXPECT_EQ(d.YMMToPulse(1), 1);
    EXPECT_EQ(d.YMMToPulse(-3), -1);
    d.fMMPerXStep = 0.5f; // one step is exactly half a millimetre
    d.fMMPerYStep = 0.5f;
    EXPECT_EQ(d.XPulseToMM(1), 1);
    EXPECT_EQ(d.XPulseToMM(-1), 0);
    EXPECT_EQ(d.XPulseToMM(-3), -1);
    EXPECT_EQ(d.YPulseToMM(3), 2);
    EXPECT_EQ(d.YPulseToMM(-3), -1);
}

TEST_F(UnitsTest, FloatMillimetresToStepsRoundHalfAwayFromZero) {
    EXPECT_EQ(d.fXMMToPulse(0.0f), 0);
    EXPECT_EQ(d.fXMMToPulse(-0.0f), 0);
    EXPECT_EQ(d.fXMMToPulse(-1.0f), -7);
    EXPECT_EQ(d.fXMMToPulse(1.0f), 7);
    d.fMMPerXStep = 2.0f;
    EXPECT_EQ(d.fXMMToPulse(1.0f), 1);
    EXPECT_EQ(d.fXMMToPulse(-1.0f), -1);
    EXPECT_EQ(d.fXMMToPulse(3.0f), 2);
    EXPECT_EQ(d.fXMMToPulse(-3.0f), -2);
    EXPECT_EQ(d.fXMMToPulse(0.9f), 0);
    EXPECT_EQ(d.fXMMToPulse(-0.9f), 0);
}

TEST_F(UnitsTest, FloatYFormsCountDotsOfTheJobAndDefaultTo180Dpi) {
    ASSERT_EQ(d.ripHead.uiYDPI, 0u);
    EXPECT_FLOAT_EQ(d.fYPulseToMM(100), 14.1f);
    EXPECT_EQ(d.ripHead.uiYDPI, 180u);

    d.ripHead.uiYDPI = 0;
    EXPECT_EQ(d.fYMMToPulse(0.0f), 0);
    EXPECT_EQ(d.ripHead.uiYDPI, 180u);
    EXPECT_EQ(d.fYMMToPulse(1.0f), 7);
    EXPECT_EQ(d.fYMMToPulse(-1.0f), -7);

    // A job resolution is used as it is, not replaced.
    d.ripHead.uiYDPI = 720;
    EXPECT_EQ(d.fYMMToPulse(25.4f), 720);
    EXPECT_FLOAT_EQ(d.fYPulseToMM(720), 25.4f);
    EXPECT_FLOAT_EQ(d.fYPulseToMM(-720), -25.4f);
    EXPECT_EQ(d.fYPulseToMM(0), 0.0f);
    EXPECT_EQ(d.ripHead.uiYDPI, 720u);
    // The integer Y forms ignore the job resolution: they count motor steps.
    EXPECT_EQ(d.YMMToPulse(30), 875);
}

TEST_F(UnitsTest, FloatXStepsToMillimetres) {
    // Without a job resolution: native steps, not rounded.
    ASSERT_EQ(d.ripHead.uiXDPI, 0u);
    EXPECT_FLOAT_EQ(d.fXPulseToMM(3), static_cast<float>(3 * static_cast<double>(0.1411111f)));
    EXPECT_EQ(d.ripHead.uiXDPI, 0u);

    d.ripHead.uiXDPI = 180;
    EXPECT_FLOAT_EQ(d.fXPulseToMM(-7), -1.0f); // -9.877 - 0.5 truncates to -10
    EXPECT_FLOAT_EQ(d.fXPulseToMM(7), 1.0f);
    EXPECT_EQ(d.fXPulseToMM(0), 0.0f);
    // 1 dot at 180 dpi is 0.1411 mm: 0.1; 3 dots 0.4233: 0.4; 4 dots 0.5644: 0.6.
    EXPECT_FLOAT_EQ(d.fXPulseToMM(1), 0.1f);
    EXPECT_FLOAT_EQ(d.fXPulseToMM(3), 0.4f);
    EXPECT_FLOAT_EQ(d.fXPulseToMM(4), 0.6f);
    EXPECT_FLOAT_EQ(d.fXPulseToMM(-4), -0.6f);

    // The job resolution counts in this direction only.
    d.ripHead.uiXDPI = 720;
    EXPECT_FLOAT_EQ(d.fXPulseToMM(720), 25.4f);
    EXPECT_EQ(d.fXMMToPulse(25.4f), 180);
}

TEST_F(UnitsTest, FloatFormsAreSymmetricAndRoundTripWithinATenth) {
    d.ripHead.uiXDPI = 180;
    d.ripHead.uiYDPI = 360;
    for (int tenth = -5000; tenth <= 5000; tenth += 7) {
        const float mm = tenth / 10.0f;
        ASSERT_EQ(d.fXMMToPulse(-mm), -d.fXMMToPulse(mm)) << mm;
        ASSERT_EQ(d.fYMMToPulse(-mm), -d.fYMMToPulse(mm)) << mm;
        ASSERT_NEAR(d.fXPulseToMM(d.fXMMToPulse(mm)), mm, 0.1f + 1e-4f) << mm;
        ASSERT_NEAR(d.fYPulseToMM(d.fYMMToPulse(mm)), mm, 0.1f + 1e-4f) << mm;
        ASSERT_EQ(d.fYPulseToMM(-tenth), -d.fYPulseToMM(tenth)) << tenth;
    }
}

TEST_F(UnitsTest, ZeroStepSizesAndHugeResultsAreGuarded) {
    d.fMMPerXStep = 0.0f;
    d.fMMPerYStep = 0.0f;
    EXPECT_EQ(d.XMMToPulse(100), 0);
    EXPECT_EQ(d.XMMToPulse(-100), 0);
    EXPECT_EQ(d.YMMToPulse(100), 0);
    EXPECT_EQ(d.fXMMToPulse(100.0f), 0);
    EXPECT_EQ(d.XPulseToMM(1000), 0);

    d.fMMPerXStep = 1e-30f;
    EXPECT_EQ(d.XMMToPulse(INT32_MAX), INT32_MAX);
    EXPECT_EQ(d.XMMToPulse(INT32_MIN), INT32_MIN);
    EXPECT_EQ(d.fXMMToPulse(-1.0f), INT32_MIN);
    d.fMMPerYStep = 1e30f;
    EXPECT_EQ(d.YPulseToMM(-5), INT32_MIN);
    EXPECT_EQ(d.YPulseToMM(5), INT32_MAX);

    d.fMMPerXStep = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(d.XMMToPulse(10), 0);
    EXPECT_EQ(d.fXMMToPulse(10.0f), 0);
    d.fMMPerXStep = 0.1411111f;
    EXPECT_EQ(d.fXMMToPulse(std::numeric_limits<float>::infinity()), INT32_MAX);
    EXPECT_EQ(d.fXMMToPulse(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(UnitsTest, DPIRateConvertsBetweenJobAndNativeSteps) {
    ASSERT_FLOAT_EQ(d.fDPIRate, 1.0f);
    EXPECT_FLOAT_EQ(d.F_DPIRate(0, 123.4f), 123.4f);
    EXPECT_FLOAT_EQ(d.F_DPIRate(1, 123.4f), 123.4f);

    // Fire divider 3 at 180 dpi, job at 360 dpi: divider 4 * 180 / 360 - 1 = 1, rate 4 / 2.
    d.fDPIRate = 2.0f;
    EXPECT_FLOAT_EQ(d.F_DPIRate(1, 3.0f), 6.0f);
    EXPECT_FLOAT_EQ(d.F_DPIRate(0, 3.0f), 1.5f);
    EXPECT_FLOAT_EQ(d.F_DPIRate(-1, 3.0f), 6.0f); // any non-zero direction
    EXPECT_FLOAT_EQ(d.F_DPIRate(0, -3.0f), -1.5f);

    d.fDPIRate = 4.0f / 3.0f;
    for (float v : {0.0f, 1.0f, 999.5f, -42.25f, 65535.0f})
        EXPECT_NEAR(d.F_DPIRate(0, d.F_DPIRate(1, v)), v, std::fabs(v) * 1e-6f) << v;

    // A zero rate never divides: the value stays in native steps.
    d.fDPIRate = 0.0f;
    EXPECT_FLOAT_EQ(d.F_DPIRate(0, 7.5f), 7.5f);
    EXPECT_FLOAT_EQ(d.F_DPIRate(1, 7.5f), 0.0f);
}

TEST_F(UnitsTest, MovementLoadResetsTheRate) {
    d.fDPIRate = 2.0f;
    d.uiFireDivider = 9;
    d.iFireFrequency = 5;
    d.csBaseDir = "/nonexistent-carvex-dir";
    d.setupIni.SetFileName("setup.ini");
    d.PRMLoadParamsMovement();
    EXPECT_FLOAT_EQ(d.F_DPIRate(0, 10.0f), 10.0f);
    EXPECT_EQ(d.uiFireDivider, 3u);
}

} // namespace

// The path model, absolute positioning, travel measurement, the movement check, media measuring
// with one and two rolls, and the calibration of both motor factors on the virtual printer.
#include <cmath>

#include "motion/tests/MotionTestSupport.h"

using namespace motiontest;

namespace {

constexpr double kStepMM = 0.1411111;
// Edges are taken by polling a moving carriage: on a busy host a poll can come some milliseconds
// late, which the fast clock turns into millimetres (about 1 mm per real millisecond here). Far
// below any mistake of the method (the edge confirmations alone span 50 mm and more).
constexpr double kEdgeTolerance = 12.0 / kStepMM;

class Measure : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        sim::MachineConfig cfg;
        cfg.hardStopMM = 30;
        cfg.switchesStopDrive = false; // the carriage runs past a switch the engine does not stop at
        cfg.mediaLeftMM = 300; // the machine file's sheet
        cfg.mediaWidthMM = 400;
        cfg.startXMM = 100;
        cfg.sensorOffsetMM = 0; // edges counted at the carriage reference
        useMachine(cfg);
        platform::setTimeScale(10);
        drv_->XSpeedPause[1] = 40; // measuring at 105 mm/s
        drv_->AUXOpenDIO();
    }
    void home() {
        ASSERT_GT(drv_->PRNRePosition(1), 0);
        homeRail_ = machine_->carriageMM();
    }
    // Steps from the measuring base (the lower end of the path) to a rail position.
    double stepsFromBase(double railMM) const { return (railMM - homeRail_) / kStepMM; }
    size_t xStarts() {
        size_t n = 0;
        for (const auto& e : machine_->events("move"))
            if (e.what.rfind("X start", 0) == 0) ++n;
        return n;
    }
    double homeRail_ = 0;
};

TEST_F(Measure, PathLimitsFollowTheHomeEnd) {
    drv_->iXEncoderInitial = 60000;
    drv_->uiMovingLength = 22000;
    drv_->bRepositionLeft = 1;
    drv_->uiXTarget = 5;
    drv_->PRNInitLimitPosition();
    EXPECT_EQ(drv_->uiLeftLimitPos, 60000u);
    EXPECT_EQ(drv_->uiRightLimitPos, 82000u);
    EXPECT_EQ(drv_->uiXTarget, 60000u);
    EXPECT_EQ(drv_->uiMovedPosition, 60000u);
    drv_->bRepositionLeft = 0;
    drv_->PRNInitLimitPosition();
    EXPECT_EQ(drv_->uiLeftLimitPos, 38000u);
    EXPECT_EQ(drv_->uiRightLimitPos, 60000u);
    EXPECT_EQ(drv_->MOVCheckPosition(), 1);
    drv_->uiXTarget = 38000;
    EXPECT_EQ(drv_->MOVCheckPosition(), 2);
    drv_->uiXTarget = 50000;
    EXPECT_EQ(drv_->MOVCheckPosition(), 0);
    // A path longer than the home position leaves room for no negative positions.
    drv_->uiMovingLength = 65000;
    drv_->PRNInitLimitPosition();
    EXPECT_EQ(drv_->uiLeftLimitPos, 0u);
}

TEST_F(Measure, SetPositionToTheTargetMovesNothingButRecordsIt) {
    drv_->uiXTarget = 61000;
    drv_->uiPreviousXTarget = 0;
    const size_t starts = xStarts();
    drv_->PRNSetPosition(61000, 1, 1);
    EXPECT_EQ(xStarts(), starts);
    EXPECT_EQ(drv_->uiPreviousXTarget, 61000u);
    EXPECT_EQ(drv_->uiXTarget, 61000u);
    const double x0 = machine_->carriageMM();
    drv_->PRNSetPosition(60500, 2, 1);
    EXPECT_EQ(drv_->uiPreviousXTarget, 61000u);
    EXPECT_EQ(drv_->uiXTarget, 60500u);
    EXPECT_NEAR(machine_->carriageMM() - x0, -500 * kStepMM, 0.05);
}

TEST_F(Measure, PositionsInMillimetres) {
    drv_->PRNInitLimitPosition();
    EXPECT_EQ(drv_->PRNGetPosition(7087, 0), 1000);
    EXPECT_EQ(drv_->PRNGetPosition(8000 + 709, 1), 100);
    EXPECT_EQ(drv_->PRNGetPosition(8000 - 709, 1), -99); // -100.05 + 0.5, toward zero
    EXPECT_EQ(drv_->PRNGetPosition(12345, 2), 1);
    drv_->uiFire = 8000 + 1417;
    EXPECT_EQ(drv_->PRNGetFirePosition(), 200u);
    drv_->uiFire = 100; // before the path: 0, not a wrapped number
    EXPECT_EQ(drv_->PRNGetFirePosition(), 0u);
}

TEST_F(Measure, TravelBetweenTheSwitches) {
    sim::MachineConfig cfg;
    cfg.hardStopMM = 30;
    cfg.switchesStopDrive = false; // the carriage runs past a switch the engine does not stop at
    cfg.travelMM = 800;
    useMachine(cfg);
    drv_->AUXOpenDIO();
    machine_->setCarriage(300);
    drv_->XSpeedPause[0] = 20;     // the far switch is met at 52 mm/s
    drv_->uiCarriageSlowMode = 1;  // and homing from there runs at the faster slow speed
    platform::setTimeScale(20);
    const int t = drv_->AUXGetMaxLength();
    // From the backed-off home to the far switch, less the back-off.
    EXPECT_NEAR(t, 800 / kStepMM - 2 * 50, kEdgeTolerance);
    EXPECT_EQ(drv_->uiMovingLength, static_cast<unsigned>(t));
    EXPECT_EQ(drv_->uiRightLimitPos, 8000u + static_cast<unsigned>(t));
    // Homed again afterwards.
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
    EXPECT_LT(machine_->carriageMM(), 10.0);
}

TEST_F(Measure, TravelWithoutTheFarSwitchIsNotMeasured) {
    machine_->setLimitFault(true, sim::LimitFault::Dead);
    drv_->XSpeedPause[0] = 200; // reach the far end stop well within the polls
    platform::setTimeScale(300);
    EXPECT_EQ(drv_->AUXGetMaxLength(), -1);
    EXPECT_EQ(drv_->uiMovingLength, 22000u);
}

TEST_F(Measure, TravelOutOfRangeLeavesTheLengthAlone) {
    sim::MachineConfig cfg;
    cfg.hardStopMM = 30;
    cfg.switchesStopDrive = false; // the carriage runs past a switch the engine does not stop at
    cfg.travelMM = 9300; // 65900 steps: beyond what the setting holds
    useMachine(cfg);
    drv_->AUXOpenDIO();
    drv_->XSpeedPause[0] = 300;
    drv_->uiCarriageSlowMode = 1;
    machine_->setCarriage(100);
    platform::setTimeScale(100);
    EXPECT_EQ(drv_->AUXGetMaxLength(), -1);
    EXPECT_EQ(drv_->uiMovingLength, 22000u);
}

class MovementCheck : public Measure, public ::testing::WithParamInterface<std::pair<double, int>> {};

TEST_P(MovementCheck, PassesWithinFiveMillimetres) {
    platform::setTimeScale(30);
    home();
    const auto [factor, pass] = GetParam();
    if (factor <= 1.0) machine_->setSlip(factor);
    else drv_->fXStepToMM = static_cast<float>(8.5827 * factor); // the motor turns too far
    const double x0 = machine_->carriageMM();
    EXPECT_EQ(drv_->AUXCheckMovement(), pass);
    EXPECT_NEAR(machine_->carriageMM() - x0, 1000 * factor, 0.5);
    // The model follows the carriage's commanded place.
    EXPECT_EQ(drv_->uiXTarget, 8000u + static_cast<unsigned>(std::trunc(1000 / double(drv_->fMMPerXStep) + 0.5)));
}

INSTANTIATE_TEST_SUITE_P(Ways, MovementCheck,
                         ::testing::Values(std::make_pair(1.0, 1), std::make_pair(0.996, 1), std::make_pair(0.994, 0),
                                           std::make_pair(1.01, 0)),
                         [](const auto& info) { return "Moved" + std::to_string(int(info.param.first * 1000)) + "mm"; });

// A card call that fails during the measure (a position or a sensor read that may be wrong):
// nothing measured is taken and the operator is told.
TEST_F(Measure, AFailedCardCallKeepsTheMediaSettings) {
    platform::setTimeScale(40); // the edges need no precision here
    home();
    const uint64_t before = machine_->callCount(sim::CallKind::Any);
    ASSERT_EQ(drv_->PRNMeasure(), 1);
    const uint64_t calls = machine_->callCount(sim::CallKind::Any) - before;
    ASSERT_GT(calls, 100u);
    // Early shares: most of the calls are the homing that ends the measure, after it was taken.
    for (double share : {0.01, 0.05}) {
        home();
        drv_->uiStartPos1 = 1234;
        drv_->uiWidth1 = 5678;
        prompter_->clear();
        machine_->failCall(sim::CallKind::Any, uint64_t(double(calls) * share));
        EXPECT_EQ(drv_->PRNMeasure(), -1) << share;
        machine_->clearFaults();
        EXPECT_EQ(drv_->uiStartPos1, 1234u) << share;
        EXPECT_EQ(drv_->uiWidth1, 5678u) << share;
        ASSERT_EQ(prompter_->texts().size(), 1u) << share;
        EXPECT_NE(prompter_->texts()[0].find("The measurement failed"), std::string::npos) << prompter_->texts()[0];
    }
}

TEST_F(Measure, OneRollFindsTheMediaOfTheMachine) {
    home();
    prompter_->clear();
    EXPECT_EQ(drv_->PRNMeasure(), 1);
    EXPECT_NEAR(drv_->uiStartPos1, stepsFromBase(300), kEdgeTolerance);
    EXPECT_NEAR(drv_->uiWidth1, 400 / kStepMM, kEdgeTolerance);
    EXPECT_EQ(drv_->uiStartPos2, 0u);
    EXPECT_EQ(drv_->uiWidth2, 0u);
    // Homed again, and the operator told in English.
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
    const auto texts = prompter_->texts();
    ASSERT_EQ(texts.size(), 1u);
    const int start = drv_->XPulseToMM(static_cast<int32_t>(drv_->uiStartPos1));
    const std::string expected = "Starting Position:" + std::to_string(start) + " \rMaterial Width:";
    EXPECT_EQ(texts[0].rfind(expected, 0), 0u) << texts[0];
    const int width = std::stoi(texts[0].substr(expected.size()));
    EXPECT_NEAR(width, 400, 12);
}

TEST_F(Measure, ChineseMessageAndAnotherSheet) {
    machine_->setMedia(420, 240);
    drv_->bLanguageChinese = 1;
    home();
    prompter_->clear();
    EXPECT_EQ(drv_->PRNMeasure(), 1);
    EXPECT_NEAR(drv_->uiStartPos1, stepsFromBase(420), kEdgeTolerance);
    EXPECT_NEAR(drv_->uiWidth1, 240 / kStepMM, kEdgeTolerance);
    ASSERT_EQ(prompter_->texts().size(), 1u);
    EXPECT_EQ(prompter_->texts()[0].rfind("启始点:", 0), 0u);
    EXPECT_NE(prompter_->texts()[0].find(" \r材料长度:"), std::string::npos);
}

TEST_F(Measure, NoMediaIsNotMeasured) {
    machine_->setMedia(0, 0);
    drv_->uiMovingLength = 5000; // a short path: the carriage runs to its end and back
    drv_->PRNInitLimitPosition();
    platform::setTimeScale(30);
    drv_->uiStartPos1 = 1234;
    drv_->uiWidth1 = 4321;
    home();
    EXPECT_EQ(drv_->PRNMeasure(), -1);
    EXPECT_EQ(drv_->uiStartPos1, 1234u);
    EXPECT_EQ(drv_->uiWidth1, 4321u);
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
}

// Two rolls side by side: the media sensor is made to see a second sheet.
class TwoRolls : public Measure {
protected:
    void SetUp() override {
        Measure::SetUp();
        machine_->setMedia(250, 200);
        auto m = machine_;
        rewriteReads([m](uint32_t port, uint32_t v) {
            if (port != hw::REG_INPUT) return v;
            const double x = m->carriageMM();
            if (x >= 600 && x <= 850) v &= ~(1u << hw::kInMedia); // over the second roll
            return v;
        });
    }
};

TEST_F(TwoRolls, BothRollsAreMeasured) {
    drv_->uiRoll2 = 1;
    home();
    EXPECT_EQ(drv_->PRNMeasure(), 1);
    EXPECT_NEAR(drv_->uiStartPos1, stepsFromBase(250), kEdgeTolerance);
    EXPECT_NEAR(drv_->uiWidth1, 200 / kStepMM, kEdgeTolerance);
    EXPECT_NEAR(drv_->uiStartPos2, stepsFromBase(600), kEdgeTolerance);
    EXPECT_NEAR(drv_->uiWidth2, 250 / kStepMM, kEdgeTolerance);
}

TEST_F(TwoRolls, OneRollSettingStopsAfterTheFirst) {
    drv_->uiRoll2 = 0;
    home();
    EXPECT_EQ(drv_->PRNMeasure(), 1);
    EXPECT_NEAR(drv_->uiWidth1, 200 / kStepMM, kEdgeTolerance);
    EXPECT_EQ(drv_->uiWidth2, 0u);
}

TEST_F(Measure, HomeEndHigherMeasuresGoingUpThePath) {
    drv_->bRepositionLeft = 0;
    drv_->iXEncoderInitial = 30000; // counting down from home: above the path's length
    drv_->PRNInitLimitPosition();
    machine_->setMedia(2700, 250);
    machine_->setCarriage(3000);
    home();
    EXPECT_EQ(drv_->PRNMeasure(), 1);
    // The base is the lower end of the path, uiMovingLength below home.
    const double baseRail = homeRail_ - drv_->uiMovingLength * kStepMM;
    EXPECT_NEAR(drv_->uiStartPos1, (2700 - baseRail) / kStepMM, kEdgeTolerance);
    EXPECT_NEAR(drv_->uiWidth1, 250 / kStepMM, kEdgeTolerance);
    EXPECT_EQ(drv_->MOVGetXPosition(), 30000u);
}

TEST_F(Measure, CalibrationOfXConvergesToTheMachine) {
    drv_->fXStepToMM = 9.4f; // far from the machine's 8.5827
    drv_->XSpeedPause[1] = 400;
    platform::setTimeScale(50); // the tape measure reads the carriage at rest
    home();
    for (int round = 0; round < 3; ++round) {
        const double x0 = machine_->carriageMM();
        drv_->MOVMoveX(0, 1, drv_->XMMToPulse(1000), 1);
        const double measured = machine_->carriageMM() - x0; // the operator's tape measure
        drv_->fXStepToMM = drv_->MOVMeasureXRate(1000.0f, static_cast<float>(measured));
        drv_->MOVMoveX(1, 1, drv_->XMMToPulse(1000), 1);
    }
    EXPECT_NEAR(drv_->fXStepToMM, 8.5827, 0.01);
    const double x0 = machine_->carriageMM();
    drv_->MOVMoveX(0, 1, drv_->XMMToPulse(1000), 1);
    EXPECT_NEAR(machine_->carriageMM() - x0, 1000.0, 1.0);
}

TEST_F(Measure, CalibrationOfYConvergesToTheMachine) {
    drv_->fYStepToMM = 15.0f; // the machine has 16.792286
    for (int round = 0; round < 2; ++round) {
        const double y0 = machine_->mediaFeedMM();
        const int steps = drv_->YMMToPulse(20);
        drv_->MOVMoveY(0, 4, steps, 1);
        const float commanded = static_cast<float>(steps * double(drv_->fMMPerYStep));
        drv_->fYStepToMM = drv_->MOVMeasureYRate(commanded, static_cast<float>(machine_->mediaFeedMM() - y0));
    }
    EXPECT_NEAR(drv_->fYStepToMM, 16.792286, 0.01);
}

TEST_F(Measure, CalibrationIgnoresAMeasurementOfNothing) {
    EXPECT_FLOAT_EQ(drv_->MOVMeasureXRate(1000.0f, 0.0f), drv_->fXStepToMM);
    EXPECT_FLOAT_EQ(drv_->MOVMeasureYRate(1000.0f, -3.0f), drv_->fYStepToMM);
    EXPECT_FLOAT_EQ(drv_->MOVMeasureXRate(1000.0f, std::nanf("")), drv_->fXStepToMM);
    EXPECT_FLOAT_EQ(drv_->MOVMeasureXRate(1000.0f, 500.0f), 2 * drv_->fXStepToMM);
    EXPECT_FLOAT_EQ(drv_->MOVMeasureYRate(100.0f, 200.0f), drv_->fYStepToMM / 2);
}

TEST_F(Measure, YHomingFindsTheHomeSwitchAndBacksOff) {
    drv_->uiYSpeed = 4;
    machine_->setFeed(40);
    drv_->MOVResetYMotor();
    drv_->MOVWaitUntilYStop();
    // 30 mm forward from where the axis stopped, just behind the switch.
    EXPECT_LE(machine_->mediaFeedMM(), 30.5);
    EXPECT_GE(machine_->mediaFeedMM(), 24.9); // at worst from the end stop 5 mm behind
    EXPECT_EQ(drv_->bYMoved.load(), 1u);
}

} // namespace

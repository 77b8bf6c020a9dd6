// Homing on the virtual printer: from anywhere on the path, onto either end, with broken switches
// and without a card.
#include <cmath>

#include "motion/tests/MotionTestSupport.h"

using namespace motiontest;

namespace {

// How far past the switch a late poll may let the carriage run on a loaded host (the slow speed
// is 30 mm/s, and the fast clock turns a few real milliseconds into that much). A carriage that
// was never stopped at the switch ends at the end stop, 30 mm beyond it.
constexpr double kLatePoll = 15;

class Homing : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        // End stops further out than on the default machine: a busy test host may let the carriage
        // run on a few millimetres past a switch before a poll sees it.
        sim::MachineConfig cfg;
        cfg.hardStopMM = kHardStop;
        cfg.switchesStopDrive = false; // the carriage runs past a switch the engine does not stop at
        useMachine(cfg);
        platform::setTimeScale(20);
        drv_->AUXOpenDIO(); // the slow-zone input
    }
    // The position model and the encoder agree at the home end, and the carriage rests there: the
    // back-off from where it stopped at the switch (the stop comes a little after the switch).
    void expectHomedAt(double railMM, int side = -1, double maxOvershoot = kLatePoll) {
        EXPECT_EQ(drv_->uiXTarget, unsigned(drv_->iXEncoderInitial));
        EXPECT_EQ(drv_->MOVGetXPosition(), unsigned(drv_->iXEncoderInitial));
        EXPECT_FALSE(machine_->xMoving());
        const double overshoot = side * (machine_->carriageMM() - railMM);
        EXPECT_GE(overshoot, -0.5) << machine_->carriageMM();
        EXPECT_LE(overshoot, maxOvershoot) << machine_->carriageMM();
        // The last carriage move was the back-off.
        EXPECT_EQ(machine_->xPulsesCommanded(), uint64_t(drv_->fXStepToMM * drv_->uiRepositionLeft));
        EXPECT_EQ(drv_->MOVCheckPosition(), 1);
    }
    static constexpr double kHardStop = 30;
    // A move of mm from home lands where the encoder and the model say.
    void expectPositionsAgree(double mm, double homeRail, int sign = 1) {
        const int steps = drv_->XMMToPulse(static_cast<int32_t>(mm));
        const unsigned target = static_cast<unsigned>(drv_->iXEncoderInitial + sign * steps);
        drv_->PRNSetPosition(target, 1, 1);
        EXPECT_NEAR(double(drv_->MOVGetXPosition()), double(target), 3);
        EXPECT_NEAR(machine_->carriageMM(), homeRail + sign * mm, 1.0);
    }
};

struct Start {
    double railMM;
    double timeScale; // a start in the slow zone far from home crosses the path slowly
    double maxOvershoot;
};

class HomingFrom : public Homing, public ::testing::WithParamInterface<Start> {};

TEST_P(HomingFrom, FindsTheSwitchBacksOffAndLoadsTheEncoder) {
    machine_->setCarriage(GetParam().railMM);
    platform::setTimeScale(GetParam().timeScale);
    const int status = drv_->PRNRePosition(1);
    EXPECT_GT(status, 0);
    EXPECT_LE(status, CDrvPrint::kHomingPolls);
    expectHomedAt(homeRailMM(), -1, GetParam().maxOvershoot);
    platform::setTimeScale(20);
    expectPositionsAgree(1000, machine_->carriageMM());
}

// Middle, inside the slow zone, on the home switch, on the far switch, near the far switch.
INSTANTIATE_TEST_SUITE_P(Anywhere, HomingFrom,
                         ::testing::Values(Start{1500, 20, kLatePoll}, Start{40, 20, kLatePoll},
                                           Start{-1, 20, kLatePoll}, Start{3121, 80, 20}, Start{3050, 20, kLatePoll}),
                         [](const ::testing::TestParamInfo<Start>& info) {
                             const int mm = static_cast<int>(info.param.railMM);
                             return mm < 0 ? "OnTheHomeSwitch" : "At" + std::to_string(mm) + "mm";
                         });

TEST_F(Homing, WithoutTheSlowZoneInputCrossesThePathSlowly) {
    // No I/O card: the slow-zone input reads 0 everywhere, so the whole search runs slowly.
    machine_->setDioAbsent(true);
    machine_->setCarriage(3000);
    platform::setTimeScale(100);
    EXPECT_GT(drv_->PRNRePosition(1), 0);
    expectHomedAt(homeRailMM(), -1, kHardStop);
}

TEST_F(Homing, HomeEndHigherHomesOnTheRightSwitch) {
    // Counting down from home, the path needs a home value above its length.
    drv_->bRepositionLeft = 0;
    drv_->iXEncoderInitial = 60000;
    drv_->PRNInitLimitPosition();
    EXPECT_EQ(drv_->uiLeftLimitPos, 38000u);
    EXPECT_EQ(drv_->uiRightLimitPos, 60000u);
    machine_->setCarriage(700);
    EXPECT_GT(drv_->PRNRePosition(1), 0);
    const double home = 3120 - drv_->uiRepositionRight * 0.1411111;
    expectHomedAt(home, 1);
    expectPositionsAgree(500, machine_->carriageMM(), -1);
}

TEST_F(Homing, HeadProtectEndFollowsItsOwnDirection) {
    drv_->bHeadsProtectLeft = 0;
    drv_->uiRepositionRight = 100;
    machine_->setCarriage(2000);
    drv_->PRNRepositonHeadsProtect();
    const double offSwitch = 3120 - machine_->carriageMM();
    EXPECT_GE(offSwitch, 100 * 0.1411111 - kLatePoll);
    EXPECT_LE(offSwitch, 100 * 0.1411111 + 0.5);
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
}

class BrokenSwitch : public Homing, public ::testing::WithParamInterface<std::pair<bool, sim::LimitFault>> {};

TEST_P(BrokenSwitch, GivesUpWithMinusOneAndStillBacksOff) {
    platform::setTimeScale(1000);
    machine_->setDioInput(0, 0, "1"); // no slow zone: the search runs at full speed
    const auto [right, fault] = GetParam();
    machine_->setLimitFault(right, fault);
    machine_->setCarriage(200);
    EXPECT_EQ(drv_->PRNRePosition(1), -1);
    EXPECT_FALSE(machine_->xMoving());
    // Driven against the end stop, then backed off and reloaded.
    EXPECT_NEAR(machine_->carriageMM(), -kHardStop + homeRailMM(), 0.5);
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
    EXPECT_NE(drv_->MOVCheckPosition(), 1); // the model does not claim the home end
}

INSTANTIATE_TEST_SUITE_P(Faults, BrokenSwitch,
                         ::testing::Values(std::make_pair(false, sim::LimitFault::Dead),
                                           std::make_pair(false, sim::LimitFault::Stuck),
                                           std::make_pair(true, sim::LimitFault::Stuck)),
                         [](const auto& info) {
                             return std::string(info.param.first ? "Right" : "Left") +
                                    (info.param.second == sim::LimitFault::Dead ? "Dead" : "Stuck");
                         });

TEST_F(Homing, WithoutACardReturnsMinus100AndMovesNothing) {
    machine_->setCarriage(1500);
    machine_->setCardAbsent(true);
    EXPECT_EQ(drv_->PRNRePosition(1), -100);
    machine_->setCardAbsent(false);
    EXPECT_NEAR(machine_->carriageMM(), 1500, 1e-6);
    EXPECT_EQ(drv_->uiXTarget, 8000u);
}

TEST_F(Homing, TestModeSkipsTheSearchButBacksOff) {
    drv_->bTestMode = 1;
    machine_->setCarriage(1500);
    EXPECT_EQ(drv_->PRNRePosition(1), 20000);
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
}

TEST_F(Homing, LeavesSlowModeOffStopsThePrintLoopAndStartsFlashAtHome) {
    drv_->cleaning.uiFlashAtHome = 1;
    drv_->cleaning.uiFlashFrequency = 3;
    drv_->bStop = 0;
    machine_->setCarriage(100);
    EXPECT_GT(drv_->PRNRePosition(1), 0);
    EXPECT_EQ(drv_->bStop.load(), 1u);
    const uint32_t motion = machine_->peekRegister(hw::REG_MOTION);
    EXPECT_EQ(motion & 0x30u, 0u);
    const uint32_t pc = machine_->peekRegister(hw::REG_PRINT_CONTROL);
    EXPECT_EQ((pc >> hw::kPcFlash) & 1u, 1u);
    EXPECT_EQ(pc >> 28, 3u);
    EXPECT_EQ(drv_->iXPositionError.load(), 0);
}

TEST_F(Homing, TwiceInARowGivesTheSameHome) {
    machine_->setCarriage(2500);
    ASSERT_GT(drv_->PRNRePosition(1), 0);
    const double first = machine_->carriageMM();
    ASSERT_GT(drv_->PRNRePosition(1), 0);
    EXPECT_NEAR(machine_->carriageMM(), first, kLatePoll);
    EXPECT_EQ(drv_->MOVGetXPosition(), 8000u);
}

} // namespace

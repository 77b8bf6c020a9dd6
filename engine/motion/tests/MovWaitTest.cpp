// Waiting for the axes (time limits, missing card, emergency stop), moving tests, limit switches
// and the closed-loop correction of the carriage position.
#include <atomic>
#include <cmath>
#include <thread>

#include "motion/tests/MotionTestSupport.h"

using namespace motiontest;

namespace {

class MovWait : public MotionTest {
protected:
    // Loads the encoder so that it reads `position` where the carriage stands.
    void encoderReads(unsigned position) { drv_->AUXInitHardware(position, drv_->uiFireDivider); }
    size_t xStarts() {
        size_t n = 0;
        for (const auto& e : machine_->events("move"))
            if (e.what.rfind("X start", 0) == 0) ++n;
        return n;
    }
};

TEST_F(MovWait, WaitsEndAtOnceWithoutACard) {
    for (unsigned generation : {0u, 1u}) {
        drv_->uiPcicardMode = generation;
        machine_->setCardAbsent(true);
        const uint64_t t0 = platform::nowUs();
        drv_->MOVWaitUntilXStop(0);
        drv_->MOVWaitUntilYStop();
        EXPECT_EQ(drv_->MOVCheckIfMoveX(), 0);
        EXPECT_EQ(drv_->MOVCheckIfMoveY(), 0);
        EXPECT_LT(platform::nowUs() - t0, 30000000u) << "generation " << generation; // not 300 s
        EXPECT_EQ(drv_->uiMotionTimeouts.load(), 0u);
        machine_->setCardAbsent(false);
    }
}

TEST_F(MovWait, ACardReportingAMoveForEverEndsTheWaitAtTheTimeLimit) {
    drv_->uiPcicardMode = 1;
    rewriteReads([](uint32_t port, uint32_t v) { return port == hw::REG_MOTION ? v | 0x000C000Cu : v; });
    platform::setTimeScale(50000);
    const uint64_t t0 = platform::nowUs();
    drv_->MOVWaitUntilXStop(0);
    const uint64_t x = platform::nowUs() - t0;
    drv_->MOVWaitUntilYStop();
    platform::setTimeScale(100);
    EXPECT_GE(x, uint64_t(CDrvPrint::kMotionWaitLimitMs) * 1000);
    EXPECT_EQ(drv_->uiMotionTimeouts.load(), 2u);
}

TEST_F(MovWait, TestModeReturnsAtOnce) {
    drv_->bTestMode = 1;
    drv_->MOVMoveX(0, 0, 20000, 0);
    const uint64_t t0 = platform::nowUs();
    drv_->MOVWaitUntilXStop(0);
    EXPECT_LT(platform::nowUs() - t0, 10000000u);
    EXPECT_TRUE(machine_->xMoving());
    drv_->MOVStopMoveX();
}

TEST_F(MovWait, MovingTestsReportTheDirection) {
    drv_->MOVMoveX(1, 0, 5000, 0);
    EXPECT_EQ(drv_->MOVCheckIfMoveX(), 2);
    EXPECT_EQ(drv_->bXMoving.load(), 1u);
    drv_->MOVStopMoveX();
    drv_->MOVWaitUntilXStop(0);
    EXPECT_EQ(drv_->MOVCheckIfMoveX(), 0);
    EXPECT_EQ(drv_->bXMoving.load(), 0u);
    drv_->MOVMoveX(0, 0, 5000, 0);
    EXPECT_EQ(drv_->MOVCheckIfMoveX(), 1);
    drv_->MOVStopMoveX();

    drv_->MOVMoveY(1, 1, 100000, 0);
    EXPECT_EQ(drv_->MOVCheckIfMoveY(), 2);
    drv_->MOVStopMoveY();
    drv_->MOVMoveY(0, 1, 100000, 0);
    EXPECT_EQ(drv_->MOVCheckIfMoveY(), 1);
    drv_->MOVStopMoveY();
    drv_->MOVWaitUntilYStop();
    EXPECT_EQ(drv_->MOVCheckIfMoveY(), 0);
}

TEST_F(MovWait, LimitSwitchHeldActiveIsWaitedForAboutTwoSeconds) {
    platform::setTimeScale(10);
    machine_->setLimitFault(false, sim::LimitFault::Stuck);
    uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->MOVCheckLeftLSW(1), 1);
    const uint64_t waited = platform::nowUs() - t0;
    EXPECT_GE(waited, 2000000u);
    EXPECT_LT(waited, 2600000u);
    EXPECT_EQ(drv_->MOVCheckLeftLSW(0), 1);
    EXPECT_EQ(drv_->MOVCheckRightLSW(0), 0);
    t0 = platform::nowUs();
    EXPECT_EQ(drv_->MOVCheckRightLSW(1), 0); // clear: no wait
    EXPECT_LT(platform::nowUs() - t0, 500000u);
}

TEST_F(MovWait, LimitSwitchThatClearsEndsTheWait) {
    platform::setTimeScale(10);
    machine_->setCarriage(-1); // on the left switch
    std::thread t([&] {
        platform::sleepMs(300);
        machine_->setCarriage(100);
    });
    const uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->MOVCheckLeftLSW(1), 0);
    EXPECT_LT(platform::nowUs() - t0, 1900000u);
    t.join();
}

TEST_F(MovWait, MotorWarningsReadTheStall) {
    EXPECT_EQ(drv_->MOVCheckXMotorWarning(), 0);
    platform::setTimeScale(10);
    machine_->setCarriage(3);
    drv_->MOVMoveX(1, 1, 5000, 0); // into the left end stop, with seconds of pulses left
    platform::sleepMs(500);
    EXPECT_EQ(drv_->MOVCheckXMotorWarning(), 1);
    EXPECT_EQ(drv_->MOVCheckYMotorWarning(), 0);
    drv_->MOVStopMoveX();
}

TEST_F(MovWait, EmergencyStopDuringAMoveStopsBothAxesAndBlocksLaterMoves) {
    sim::MachineConfig cfg;
    cfg.estopStopsMotors = false; // only the engine can stop the motors
    useMachine(cfg);
    drv_->bUseDIOCard = 1;
    drv_->AUXOpenDIO();
    drv_->MOVMoveY(0, 1, 200000, 0);
    drv_->MOVMoveX(0, 0, 15000, 0);
    machine_->scheduleEmergencyStopAt(true, 300000);
    drv_->MOVWaitUntilXStop(0);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_STREQ(drv_->csPrintStep.str().c_str(), "EMG STOP!");
    for (int i = 0; i < 200 && (machine_->xMoving() || machine_->yMoving()); ++i) platform::sleepMs(10);
    EXPECT_FALSE(machine_->xMoving());
    EXPECT_FALSE(machine_->yMoving());

    machine_->pressEmergencyStop(false); // released: the latch stays
    const double x = machine_->carriageMM(), y = machine_->mediaFeedMM();
    const size_t starts = xStarts();
    drv_->MOVMoveX(0, 1, 1000, 1);
    drv_->MOVMoveY(0, 1, 1000, 1);
    drv_->PRNSetPosition(drv_->uiXTarget + 500, 1, 1);
    EXPECT_EQ(xStarts(), starts);
    EXPECT_DOUBLE_EQ(machine_->carriageMM(), x);
    EXPECT_DOUBLE_EQ(machine_->mediaFeedMM(), y);
}

TEST_F(MovWait, EmergencyStopDuringAFeedIsSeenByTheYWait) {
    sim::MachineConfig cfg;
    cfg.estopStopsMotors = false;
    useMachine(cfg);
    drv_->bUseDIOCard = 1;
    drv_->AUXOpenDIO();
    drv_->MOVMoveY(0, 1, 200000, 0);
    machine_->scheduleEmergencyStopAt(true, 300000);
    drv_->MOVWaitUntilYStop();
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_FALSE(machine_->yMoving());
}

TEST_F(MovWait, CleaningStationComesUpWhenTheCarriageRestsAtHome) {
    sim::MachineConfig cfg;
    cfg.cleaningBoard = true;
    useMachine(cfg);
    drv_->bCLNBoard = 1;
    const unsigned home = static_cast<unsigned>(drv_->iXEncoderInitial);
    drv_->AUXCLNSet(12, 1);
    ASSERT_NEAR(machine_->stationPosition(), 1.0, 1e-9);
    // Leaving home lowers the station before the carriage moves.
    drv_->PRNSetPosition(home + 300, 1, 1);
    EXPECT_NEAR(machine_->stationPosition(), 0.0, 1e-9);
    // Resting away from home: the station stays down.
    drv_->PRNSetPosition(home + 600, 1, 0);
    while (drv_->MOVCheckIfMoveX()) {
    }
    EXPECT_NEAR(machine_->stationPosition(), 0.0, 1e-9);
    // Coming back: the moving test raises it once the carriage is at rest at home.
    drv_->PRNSetPosition(home, 1, 0);
    EXPECT_NE(drv_->MOVCheckIfMoveX(), 0);
    while (drv_->MOVCheckIfMoveX()) {
    }
    EXPECT_NEAR(machine_->stationPosition(), 1.0, 1e-9);
    EXPECT_EQ(drv_->bXMoving.load(), 0u);
}

TEST_F(MovWait, CorrectionStatusCodes) {
    encoderReads(8000);
    drv_->uiCorrectFrequency = 0;
    EXPECT_EQ(drv_->MOVCorrectMovement(1), 100);
    drv_->uiCorrectFrequency = 1;
    EXPECT_EQ(drv_->MOVCorrectMovement(0), 102);
    drv_->bUseDIOCard = 1;
    EXPECT_EQ(drv_->MOVCorrectMovement(1), 101);
    drv_->bUseDIOCard = 0;
    // The latched position is recorded whatever the status.
    drv_->MOVMoveX(0, 1, 700, 1);
    drv_->MOVCorrectMovement(0);
    EXPECT_NEAR(double(drv_->uiMovedPosition), 8700.0, 2.0);
}

TEST_F(MovWait, ErrorOfAHundredStepsIsLeftAlone) {
    encoderReads(8000);
    drv_->uiXTarget = 8100;
    const size_t starts = xStarts();
    EXPECT_EQ(drv_->MOVCorrectMovement(1), 0);
    EXPECT_EQ(drv_->iXPositionError.load(), -100);
    EXPECT_EQ(xStarts(), starts);
}

TEST_F(MovWait, SlippingCarriageIsBroughtToItsTarget) {
    encoderReads(8000);
    const double x0 = machine_->carriageMM();
    machine_->setSlip(0.85);
    drv_->PRNSetPosition(8000 + 7087, 1, 0);
    drv_->MOVWaitUntilXStop(1);
    EXPECT_NEAR(double(drv_->MOVGetXPosition()), 15087.0, 100.0);
    EXPECT_LE(std::abs(drv_->iXPositionError.load()), 100);
    EXPECT_NEAR(machine_->carriageMM() - x0, 1000.0, 100 * 0.1411111);
    EXPECT_GT(xStarts(), 1u); // the correction moved
    EXPECT_EQ(drv_->uiCorrectionFailures.load(), 0u);
}

TEST_F(MovWait, SmallDeviationsAfterAMoveAreNotCorrected) {
    encoderReads(8000);
    machine_->setSlip(0.995); // 5 mm short on 1000 mm: under the 20 mm threshold
    drv_->PRNSetPosition(8000 + 7087, 1, 0);
    drv_->MOVWaitUntilXStop(1);
    EXPECT_NEAR(double(drv_->uiMovedPosition), 8000 + 7087 * 0.995, 3.0);
    EXPECT_EQ(drv_->iXPositionError.load(), 0); // no correction measured
}

TEST_F(MovWait, HugeErrorGivesUpWithoutMoving) {
    encoderReads(10000);
    drv_->uiXTarget = 60000;
    const size_t starts = xStarts();
    EXPECT_EQ(drv_->MOVCorrectMovement(1), -1);
    EXPECT_EQ(drv_->iXPositionError.load(), -50000);
    EXPECT_EQ(xStarts(), starts);
    EXPECT_EQ(drv_->uiCorrectionFailures.load(), 1u);
}

TEST_F(MovWait, CarriageThatDoesNotAnswerGivesUpAfterItsMoves) {
    encoderReads(8000);
    drv_->uiXTarget = 9000;
    machine_->setSlip(0.0); // the motor turns, the carriage stays
    EXPECT_EQ(drv_->MOVCorrectMovement(1), -1);
    EXPECT_EQ(drv_->iXPositionError.load(), -1000);
    EXPECT_EQ(xStarts(), size_t(CDrvPrint::kMaxCorrectionMoves));
}

} // namespace

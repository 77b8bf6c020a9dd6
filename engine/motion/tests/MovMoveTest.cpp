// Moves at the register level on both card generations: directions, distances, speeds and their
// limits, the print feed, acceleration, slow mode, motor resets, stops and the interrupt pulse.
#include <atomic>
#include <algorithm>
#include <cmath>
#include <thread>

#include "hardware/CardIo.h"
#include "hardware/tests/HardwareTestSupport.h"
#include "motion/tests/MotionTestSupport.h"

using namespace motiontest;

namespace {

class MovMove : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        rec_ = std::make_shared<hwtest::RecordingChannel>(hw::card());
        hw::setCard(rec_);
    }
    // Values written to one DSP register, in order.
    std::vector<uint32_t> dspWrites(uint32_t reg) const {
        std::vector<uint32_t> v;
        for (const auto& c : rec_->calls())
            if (c.code == hw::kCtlWrite && c.words.size() == 3 && c.words[0] == hw::kDspPort && c.words[1] == reg)
                v.push_back(c.words[2]);
        return v;
    }
    void waitStill() {
        drv_->MOVWaitUntilXStop(0);
        drv_->MOVWaitUntilYStop();
    }
    // Generation 1 with a motor clock that gives the virtual card sensible dividers.
    void useCardGeneration1() {
        drv_->uiPcicardMode = 1;
        drv_->fXMotorRate = 1.0e6f;
        const int table[5] = {12800, 1600, 1200, 1000, 800};
        for (int i = 0; i < 5; ++i) drv_->XSpeedPause[i] = table[i];
    }
    uint32_t cardSpeedWord() {
        const uint32_t m = machine_->peekRegister(hw::REG_MOTION), m2 = machine_->peekRegister(hw::REG_MOTION_2);
        return ((m2 & 0x3Fu) << 8) | ((m >> 8) & 0xFFu);
    }
    std::shared_ptr<hwtest::RecordingChannel> rec_;
};

TEST_F(MovMove, NegativeDistanceReversesTheDirection) {
    const double x0 = machine_->carriageMM();
    drv_->MOVMoveX(1, 1, -500, 1);
    // Direction 1 lowers the position; -500 raises it by 500 steps.
    EXPECT_NEAR(machine_->carriageMM() - x0, 500 * 0.1411111, 0.05);
    const auto out = rec_->writesTo(hw::REG_OUTPUT);
    ASSERT_EQ(out.size(), 2u); // the direction bit is written twice
    EXPECT_EQ(out[0] & 1u, 0u);
    EXPECT_EQ(out[1], out[0]);
    EXPECT_EQ(dspWrites(hw::DSP_X_DISTANCE_HIGH), std::vector<uint32_t>{0});
    EXPECT_EQ(dspWrites(hw::DSP_X_DISTANCE_LOW), std::vector<uint32_t>{uint32_t(double(8.5827f) * 500)});
    EXPECT_EQ(dspWrites(hw::DSP_COMMAND), std::vector<uint32_t>{hw::DSP_START_X});
    // The move ends with the interrupt pulse.
    const auto control = rec_->writesTo(hw::REG_CONTROL);
    ASSERT_GE(control.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>(control.end() - 3, control.end()),
              (std::vector<uint32_t>{hw::kPulseHigh, hw::kPulseLow, hw::kPulseHigh}));
}

TEST_F(MovMove, ReversedAxisSettingInvertsTheDirectionBit) {
    drv_->bReverseMoveX = 0;
    const double x0 = machine_->carriageMM();
    drv_->MOVMoveX(1, 1, 100, 1);
    EXPECT_NEAR(machine_->carriageMM() - x0, 100 * 0.1411111, 0.05);
}

TEST_F(MovMove, LongDistancesSplitIntoHighAndLowWords) {
    drv_->MOVMoveX(0, 1, 20000, 0);
    const uint32_t p = uint32_t(double(8.5827f) * 20000);
    EXPECT_EQ(dspWrites(hw::DSP_X_DISTANCE_HIGH), std::vector<uint32_t>{p >> 16});
    EXPECT_EQ(dspWrites(hw::DSP_X_DISTANCE_LOW), std::vector<uint32_t>{p & 0xFFFF});
    drv_->MOVStopMoveX();
}

TEST_F(MovMove, Generation0SpeedIsConvertedAndHeldToTheLimit) {
    drv_->XSpeedPause[1] = 900; // above entry 4 (400)
    drv_->MOVMoveX(0, 1, 100, 1);
    drv_->fDPIRate = 2.0f;      // a job at twice the native resolution: half the step rate
    drv_->MOVMoveX(0, 2, 100, 1);
    drv_->MOVMoveX(0, 17, 100, 1); // an index beyond the table uses its last entry
    EXPECT_EQ(dspWrites(hw::DSP_X_SPEED), (std::vector<uint32_t>{400, 100, 200}));
}

TEST_F(MovMove, Generation1SpeedIsADividerHeldToTheLimit) {
    useCardGeneration1();
    drv_->MOVMoveX(0, 1, 100, 1);
    EXPECT_EQ(cardSpeedWord(), 1600u);
    EXPECT_NEAR(machine_->xSpeedMMs(), 0.0, 1e-9);
    drv_->XSpeedPause[2] = 500; // faster than entry 4 allows
    platform::setTimeScale(10);
    drv_->MOVMoveX(0, 2, 2000, 0);
    EXPECT_EQ(cardSpeedWord(), 800u);
    double top = 0; // the plateau of the move
    while (machine_->xMoving()) top = std::max(top, machine_->xSpeedMMs());
    EXPECT_NEAR(top, 25.6e6 / 800 / (8.5827 / 0.1411111), 1.0);
    platform::setTimeScale(100);
    drv_->fDPIRate = 2.0f; // half the dot rate: twice the divider
    drv_->MOVMoveX(0, 1, 100, 1);
    EXPECT_EQ(cardSpeedWord(), uint32_t(std::floor(1.0e6 / std::floor(1.0e6 / 1600 / 2 + 0.5) + 0.5)));
    // The run bit was cleared before and set after the distance, and the card took the move.
    EXPECT_EQ(machine_->xPulsesCommanded(), uint64_t(double(8.5827f) * 100));
}

TEST_F(MovMove, Generation1WithATinyMotorRateStillGetsTheSpeedLimit) {
    useCardGeneration1();
    drv_->fXMotorRate = 1.0f; // the default rate gives a period below one clock
    drv_->MOVMoveX(0, 1, 100, 1);
    EXPECT_EQ(cardSpeedWord(), 800u);
}

TEST_F(MovMove, ZeroYDistanceWritesNothing) {
    rec_->clear();
    drv_->MOVMoveY(1, 1, 0, 1);
    EXPECT_TRUE(rec_->calls().empty());
    EXPECT_EQ(drv_->bYMoved.load(), 0u);
}

TEST_F(MovMove, YDirectionAndTheMediaBackFlag) {
    const double y0 = machine_->mediaFeedMM();
    drv_->MOVMoveY(0, 2, 1000, 1); // forward
    EXPECT_EQ(drv_->bYMoved.load(), 0u);
    EXPECT_NEAR(machine_->mediaFeedMM() - y0, 1000 * 16.792286 / (16.792286 / 0.0342854), 0.01);
    drv_->MOVMoveY(1, 2, 500, 1); // back
    EXPECT_EQ(drv_->bYMoved.load(), 1u);
    EXPECT_NEAR(machine_->mediaFeedMM() - y0, 500 * 0.0342854, 0.01);
    drv_->MOVMoveY(1, 2, -500, 1); // a negative distance goes the other way
    EXPECT_NEAR(machine_->mediaFeedMM() - y0, 1000 * 0.0342854, 0.01);
}

TEST_F(MovMove, YSpeedOnBothGenerations) {
    drv_->MOVMoveY(0, 3, 100, 1);
    EXPECT_EQ(dspWrites(hw::DSP_Y_SPEED), std::vector<uint32_t>{300});
    EXPECT_EQ(dspWrites(hw::DSP_COMMAND), std::vector<uint32_t>{hw::DSP_START_Y});
    drv_->uiPcicardMode = 1;
    drv_->MOVMoveY(0, 2, 100, 1);
    EXPECT_EQ(machine_->peekRegister(hw::REG_MOTION) >> 24, 200u);
    EXPECT_EQ(machine_->peekRegister(hw::REG_Y_DISTANCE), uint32_t(100 * double(16.792286f)));
}

// The print feed: in 1/n Y step with the pass mode's offset and the correction, plus the
// interleave step in lines.
class PrintFeed : public MovMove {
protected:
    void SetUp() override {
        MovMove::SetUp();
        drv_->bStop = 0; // a pass loop runs
        drv_->uiStepOffsetSize = 3;
        drv_->uiPassCode = 1;
        drv_->headAlignment.StepOffset[1] = 6;
        drv_->uiInterlace = 4;
    }
    double feedMM(int distance) {
        const double y0 = machine_->mediaFeedMM();
        drv_->MOVMoveY(0, 4, distance, 1);
        return machine_->mediaFeedMM() - y0;
    }
    static constexpr double kPulsesPerMM = 16.792286 / 0.0342854;
};

TEST_F(PrintFeed, AddsOffsetCorrectionAndANegativeInterleaveStep) {
    drv_->iFeedCorrection = -2;
    drv_->uiNextSubLineStep = -6; // back inside the interlace
    // (6 + 4 x 100 - 2) x 16.792286 / 4 + (-6 / 4) x 16.792286 x 4 = 1595.27...
    const double mm = feedMM(100);
    EXPECT_EQ(drv_->uiLastYFeed, 1595u);
    EXPECT_NEAR(mm, 1595 / kPulsesPerMM, 1e-3);
}

TEST_F(PrintFeed, AStepSmallerThanTheInterlaceStillMoves) {
    drv_->uiNextSubLineStep = 0;
    feedMM(100);
    const uint32_t plain = drv_->uiLastYFeed;
    drv_->uiNextSubLineStep = 1; // a quarter of a nozzle pitch
    feedMM(100);
    EXPECT_EQ(drv_->uiLastYFeed - plain, 17u); // 16.79... more pulses, not 0
}

TEST_F(PrintFeed, CorrectionsLargerThanTheFeedMoveTheMediaBack) {
    drv_->uiStepOffsetSize = 0;
    drv_->headAlignment.StepOffset[1] = -20;
    const double mm = feedMM(1); // (-20 + 1) x 16.79 = -319 pulses
    EXPECT_EQ(drv_->uiLastYFeed, 319u);
    EXPECT_NEAR(mm, -319 / kPulsesPerMM, 1e-3);
}

TEST_F(PrintFeed, WithoutAPassLoopTheFeedIsPlain) {
    drv_->bStop = 1;
    drv_->uiNextSubLineStep = -6;
    drv_->uiLastYFeed = 7;
    const double mm = feedMM(100);
    EXPECT_NEAR(mm, std::trunc(100 * 16.792286f) / kPulsesPerMM, 1e-3);
    EXPECT_EQ(drv_->uiLastYFeed, 7u);
}

TEST_F(MovMove, AccelerationTimesOnBothRegisterSets) {
    drv_->AUXWritePort(hw::REG_MOTION_2, 0xF0000A3Fu);
    drv_->iXAccTime = 350;
    drv_->iYAccTime = 200;
    drv_->MOVSetParamsMovement();
    EXPECT_EQ(dspWrites(hw::DSP_X_ACC_TIME), std::vector<uint32_t>{350});
    EXPECT_EQ(dspWrites(hw::DSP_Y_ACC_TIME), std::vector<uint32_t>{200});
    EXPECT_EQ(machine_->peekRegister(hw::REG_MOTION_2), (0xF0000A3Fu & 0x0FFFF0FFu) + (3u << 8));
    drv_->iXAccTime = 2500; // beyond the 4-bit field: held to it
    drv_->MOVSetAccTime(0, 0);
    EXPECT_EQ((machine_->peekRegister(hw::REG_MOTION_2) >> 8) & 0xFFu, 0x0Fu);
}

TEST_F(MovMove, CarriageSlowModes) {
    auto bits = [&] { return (machine_->peekRegister(hw::REG_MOTION) >> 4) & 3u; };
    drv_->MOVSetCarriageSlow(1);
    EXPECT_EQ(bits(), 1u); // enable, slow speed 0
    drv_->uiCarriageSlowMode = 1;
    drv_->MOVSetCarriageSlow(1);
    EXPECT_EQ(bits(), 3u);
    drv_->uiCarriageSlowMode = 2; // no such mode: nothing changes
    drv_->MOVSetCarriageSlow(1);
    EXPECT_EQ(bits(), 3u);
    drv_->MOVSetCarriageSlow(0);
    EXPECT_EQ(bits(), 0u);
    // The slow speed caps a running move at once.
    drv_->uiCarriageSlowMode = 0;
    drv_->MOVMoveX(0, 4, 5000, 0);
    drv_->MOVSetCarriageSlow(1);
    // Down to the slow speed within the axis's braking time (machine time: a loaded test machine
    // only makes the wait longer in wall time).
    const uint64_t until = platform::nowUs() + 2000000;
    while (machine_->xSpeedMMs() > 30.5 && platform::nowUs() < until) platform::sleepMs(10);
    EXPECT_NEAR(machine_->xSpeedMMs(), 30.0, 0.5);
    platform::sleepMs(100);
    EXPECT_NEAR(machine_->xSpeedMMs(), 30.0, 0.5); // and it stays there
    drv_->MOVStopMove();
}

TEST_F(MovMove, MotorResetsSetTheirBits) {
    drv_->MOVResetXMotor();
    EXPECT_EQ((machine_->peekRegister(hw::REG_OUTPUT) >> 9) & 3u, 1u);
    drv_->MOVResetMotor();
    EXPECT_EQ((machine_->peekRegister(hw::REG_OUTPUT) >> 9) & 3u, 3u);
}

TEST_F(MovMove, StopsOnBothGenerations) {
    drv_->MOVMoveX(0, 1, 10000, 0);
    drv_->MOVMoveY(0, 1, 100000, 0);
    drv_->MOVStopMove();
    waitStill();
    EXPECT_FALSE(machine_->xMoving());
    EXPECT_FALSE(machine_->yMoving());
    EXPECT_EQ(dspWrites(hw::DSP_COMMAND),
              (std::vector<uint32_t>{hw::DSP_START_X, hw::DSP_START_Y, hw::DSP_STOP_X, hw::DSP_STOP_Y}));

    drv_->uiPcicardMode = 1;
    drv_->fXMotorRate = 1.0e6f;
    drv_->MOVMoveX(0, 1, 10000, 0);
    drv_->MOVMoveY(0, 1, 100000, 0);
    EXPECT_TRUE(machine_->xMoving());
    EXPECT_TRUE(machine_->yMoving());
    drv_->MOVStopMoveX();
    drv_->MOVStopMoveY();
    waitStill();
    EXPECT_FALSE(machine_->xMoving());
    EXPECT_FALSE(machine_->yMoving());
    EXPECT_EQ(machine_->peekRegister(hw::REG_MOTION) & 0x10001u, 0u);
}

TEST_F(MovMove, PulseHoldsTheMotionLockAcrossItsThreeWrites) {
    std::unique_lock hold(hw::motionLock());
    std::atomic<bool> done{false};
    std::thread t([&] {
        drv_->MOVStopMoveX();
        done = true;
    });
    platform::sleepMs(200);
    EXPECT_FALSE(done.load()); // waits for the lock
    hold.unlock();
    t.join();
    EXPECT_TRUE(done.load());
}

TEST_F(MovMove, SpeedChangeOfARunningMoveWithoutThePulse) {
    platform::setTimeScale(10); // the carriage must still be on its way when it is looked at
    drv_->MOVMoveX(0, 1, 20000, 0);
    rec_->clear();
    drv_->MOVSetSpeed(3);
    EXPECT_EQ(dspWrites(hw::DSP_X_SPEED), std::vector<uint32_t>{300});
    EXPECT_TRUE(rec_->writesTo(hw::REG_CONTROL).empty());
    platform::sleepMs(500);
    EXPECT_NEAR(machine_->xSpeedMMs(), 300 * 160 / (8.5827 / 0.1411111), 1.0);
    drv_->MOVStopMoveX();
}

} // namespace

namespace {

// Another thread switches an output while the carriage's direction line settles: the move must
// not undo it. The channel stands in for that thread: right after the first output write of the
// move, it sets the take-up mode line on the card.
constexpr unsigned kTakeupModeLine = 5; // REG_OUTPUT bit of the take-up mode

class OutputChangedMeanwhile : public hw::CardChannel {
public:
    explicit OutputChangedMeanwhile(std::shared_ptr<hw::CardChannel> inner) : inner_(std::move(inner)) {}
    bool isOpen() const override { return inner_->isOpen(); }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        const bool ok = inner_->control(code, in, inBytes, out, outBytes, returned);
        if (ok && !done_ && code == hw::kCtlWrite && inBytes == 8 && hw::getWord(in) == hw::REG_OUTPUT) {
            done_ = true;
            // The other thread's write, straight to the card (this call may hold the output lock).
            uint8_t w[8];
            hw::putWord(w, hw::REG_OUTPUT);
            hw::putWord(w + 4, hw::getWord(static_cast<const uint8_t*>(in) + 4) | (1u << kTakeupModeLine));
            size_t n = 0;
            inner_->control(hw::kCtlWrite, w, sizeof w, nullptr, 0, &n);
        }
        return ok;
    }
    bool write(const void* data, size_t bytes, size_t* written) override { return inner_->write(data, bytes, written); }

private:
    std::shared_ptr<hw::CardChannel> inner_;
    bool done_ = false;
};

TEST_F(MotionTest, CarriageDirectionLeavesOtherOutputsAsTheyAreNow) {
    ASSERT_FALSE(machine_->peekRegister(hw::REG_OUTPUT) & (1u << kTakeupModeLine));
    hw::setCard(std::make_shared<OutputChangedMeanwhile>(hw::card()));
    drv_->MOVMoveX(0, 1, 100, 1);
    EXPECT_TRUE(machine_->peekRegister(hw::REG_OUTPUT) & (1u << kTakeupModeLine));
    EXPECT_EQ(machine_->peekRegister(hw::REG_OUTPUT) & 1u, drv_->bReverseMoveX ? 0u : 1u);
}

} // namespace

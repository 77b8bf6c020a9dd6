// The carriage's direction line set ahead of a move: only while the carriage stands, and a move
// that finds it settled starts without the settling waits. The clock runs slower than real time
// here so that the virtual waits dwarf any scheduling delay of the test machine.
#include <string>

#include "motion/tests/MotionTestSupport.h"

using namespace motiontest;

namespace {

class DirectionPreset : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        platform::setTimeScale(0.25);
        // Away from home: a move from home first waits half a second for the station.
        drv_->uiXTarget = unsigned(drv_->iXEncoderInitial) + 1000;
    }
    // Virtual ms from `sinceUs` (machine clock) to the next X start in the event log, or -1.
    double msToXStart(uint64_t sinceUs) {
        for (const auto& e : machine_->events("move", sinceUs))
            if (e.what.rfind("X start ", 0) == 0) return double(e.us - sinceUs) / 1000.0;
        return -1;
    }
    size_t count(const std::string& what) {
        size_t n = 0;
        for (const auto& e : machine_->events("move"))
            if (e.what.find(what) != std::string::npos) ++n;
        return n;
    }
    unsigned line() { return machine_->peekRegister(hw::REG_OUTPUT) & 1u; }
    unsigned lineFor(int direction) { return (direction ? 1u : 0u) ^ (drv_->bReverseMoveX ? 0u : 1u); }
};

TEST_F(DirectionPreset, AMoveFindingItsLineSettledStartsWithoutTheWaits) {
    // Turned: the line changes, so the move settles it (10 + 10 ms, then the DSP's 1 + 1 + 10 ms).
    uint64_t t0 = machine_->nowUs();
    drv_->MOVMoveX(0, 1, 200, 1);
    const double turned = msToXStart(t0);
    ASSERT_GE(turned, 32.0);
    // Set ahead for the way back, long enough before the move: only the DSP's waits are left.
    ASSERT_EQ(drv_->MOVPresetXDirection(1), 1);
    EXPECT_EQ(line(), lineFor(1));
    platform::sleepMs(40);
    t0 = machine_->nowUs();
    drv_->MOVMoveX(1, 1, 200, 1);
    const double ahead = msToXStart(t0);
    ASSERT_GE(ahead, 12.0);
    EXPECT_LT(ahead, 25.0);
    // Set ahead just before the move: it waits what is left of the settling time, no less.
    ASSERT_EQ(drv_->MOVPresetXDirection(0), 1);
    t0 = machine_->nowUs();
    drv_->MOVMoveX(0, 1, 200, 1);
    EXPECT_GE(msToXStart(t0), double(CDrvPrint::kXDirectionSettleMs) + 10.0);
    EXPECT_EQ(count("after its direction line changed"), 0u);
    EXPECT_EQ(count("switched while the carriage moves"), 0u);
}

TEST_F(DirectionPreset, TheLineIsLeftAloneWhileTheCarriageMoves) {
    platform::setTimeScale(100);
    drv_->MOVMoveX(0, 1, 20000, 0);
    ASSERT_TRUE(machine_->xMoving());
    const unsigned before = line();
    EXPECT_EQ(drv_->MOVPresetXDirection(1), 0);
    EXPECT_EQ(line(), before);
    drv_->MOVWaitUntilXStop(0);
    EXPECT_EQ(drv_->MOVPresetXDirection(1), 1);
    EXPECT_EQ(line(), lineFor(1));
    EXPECT_EQ(count("switched while the carriage moves"), 0u);
    // Nor under an emergency stop.
    drv_->bEmergencyStop = 1;
    EXPECT_EQ(drv_->MOVPresetXDirection(0), 0);
    EXPECT_EQ(line(), lineFor(1));
}

} // namespace

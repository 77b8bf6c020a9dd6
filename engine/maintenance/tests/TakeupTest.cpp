// The take-up worker on the virtual printer: motor tables, manual switches, the take-up outputs,
// the MovBack sequence and its time limits, the emergency stop and shutdown.
#include "MaintTestSupport.h"
#include "hardware/CardRegisters.h"

using mainttest::MaintTest;

namespace {

class Takeup : public MaintTest {
protected:
    void SetUp() override {
        MaintTest::SetUp();
        platform::setTimeScale(100); // the worker's cycles against the test thread's polls
    }
    // Selector pairs of the media path.
    static constexpr unsigned kDirectionB = 1, kDancerB = 4;
    bool runBit() { return (machine_->peekRegister(hw::REG_OUTPUT) >> 4) & 1u; }
    bool modeBit() { return (machine_->peekRegister(hw::REG_OUTPUT) >> 5) & 1u; }
    unsigned motors() { return machine_->dioOutput(4) & 0x16u; } // B1 (bit 1), B2 (bit 2), A (bit 4)
};

TEST_F(Takeup, MotorTablesOfBothMotors) {
    struct A {
        unsigned mode;
        int dir;
        bool on;
    };
    const A a[] = {{1, 2, true}, {1, 1, false}, {2, 1, true}, {2, 2, false}, {4, 0, true},
                   {3, 2, false}, {0, 1, false}, {5, 2, false}};
    for (const auto& c : a) {
        drv_->PRNTakeupMotorA(c.mode, c.dir);
        EXPECT_EQ((machine_->dioOutput(4) >> 4) & 1u, c.on ? 1u : 0u) << "mode " << c.mode << " dir " << c.dir;
    }
    struct B {
        unsigned mode;
        int dir;
        unsigned line2, line1;
    };
    const B b[] = {{1, 2, 1, 0}, {1, 1, 0, 1}, {1, 0, 0, 0}, {2, 1, 1, 0}, {2, 2, 0, 1}, {2, 0, 0, 0},
                   {3, 0, 0, 1}, {4, 2, 1, 0}, {0, 2, 0, 0}, {9, 1, 0, 0}};
    for (const auto& c : b) {
        drv_->PRNTakeupMotorB(c.mode, c.dir);
        EXPECT_EQ((machine_->dioOutput(4) >> 2) & 1u, c.line2) << "mode " << c.mode << " dir " << c.dir;
        EXPECT_EQ((machine_->dioOutput(4) >> 1) & 1u, c.line1) << "mode " << c.mode << " dir " << c.dir;
    }
}

TEST_F(Takeup, ModeZeroOnlyPollsAndMirrorsTheManualSwitches) {
    drv_->uiTakeupMode = 0;
    drv_->bStopSeen = 1;
    drv_->bYMoved = 1;
    drv_->PRNTakeup();
    EXPECT_EQ(drv_->bTakeupRunning.load(), 1u);
    ASSERT_TRUE(waitFor([&] { return drv_->uiTakeupCycles.load() >= 5; }, 100000));
    // Manual switch 1 pressed (P1.5 reads inverted): mirrored to its output with three beeps.
    machine_->setDioInput(1, 5, "0");
    ASSERT_TRUE(waitFor([&] { return (machine_->dioOutput(5) >> 3) & 1u; }, 100000));
    ASSERT_TRUE(waitFor([&] { return count(log({"dio"}), "off: buzzer") >= 3; }, 160000));
    drv_->takeupWorker.stop();
    EXPECT_FALSE(runBit());
    EXPECT_EQ(drv_->bYMoved.load(), 1u); // no MovBack without take-up
    EXPECT_EQ(drv_->uiMovBackCount.load(), 0u);
    EXPECT_EQ(count(log({"dio"}), "motor"), 0u);
}

TEST_F(Takeup, AMoveBackRunsOneMovBackSequence) {
    drv_->uiTakeupMode = 1;
    machine_->setSelector(kDancerB, 1); // dancer B already settled
    std::vector<std::string> steps;
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return drv_->uiTakeupCycles.load() >= 2; }, 100000));
    EXPECT_FALSE(runBit());
    EXPECT_FALSE(modeBit()); // mode 1
    drv_->MOVMoveY(1, 1, 4000, 0);
    // The worker may already have run the whole sequence and cleared the flag.
    ASSERT_TRUE(drv_->bYMoved.load() == 1u || drv_->uiMovBackCount.load() > 0);
    ASSERT_TRUE(waitFor([&] { return runBit() || drv_->uiMovBackCount.load() > 0; }, 100000));
    ASSERT_TRUE(waitFor([&] { return drv_->bYMoved.load() == 0; }, 1200000));
    EXPECT_EQ(drv_->uiMovBackCount.load(), 1u);
    EXPECT_EQ(drv_->uiMovBackTimeouts.load(), 0u);
    EXPECT_TRUE(waitFor([&] { return drv_->csPrintStep.is("MovBackEnd"); }, 60000));
    EXPECT_FALSE(machine_->yMoving());
    // The following cycle clears the run bit again.
    ASSERT_TRUE(waitFor([&] { return !runBit(); }, 60000));
    const auto out = log({"output"});
    EXPECT_EQ(count(out, "bit 4 on: take-up motor"), 1u);
    EXPECT_EQ(drv_->uiMovBackCount.load(), 1u);
}

TEST_F(Takeup, MovBackWaitsAreBoundedAndLeaveTheRollsStill) {
    drv_->uiTakeupMode = 2;
    drv_->uiMovBackDancerLimitMs = 300; // dancer B never reaches 1
    machine_->setSelector(kDirectionB, 1);
    drv_->PRNTakeup();
    drv_->MOVMoveY(1, 1, 2000, 0);
    ASSERT_TRUE(waitFor([&] { return drv_->uiMovBackTimeouts.load() == 1; }, 1200000));
    ASSERT_TRUE(waitFor([&] { return drv_->bYMoved.load() == 0; }, 60000));
    EXPECT_TRUE(modeBit()); // mode 2
    EXPECT_TRUE(drv_->takeupWorker.running());
    const auto dio = log({"dio"});
    EXPECT_GE(count(dio, "on: motor B line 2"), 1u); // paid out while going back
}

TEST_F(Takeup, TheEmergencyStopEndsTheWorker) {
    drv_->uiTakeupMode = 1;
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return drv_->uiTakeupCycles.load() >= 2; }, 100000));
    machine_->pressEmergencyStop(true);
    ASSERT_TRUE(waitFor([&] { return !drv_->takeupWorker.running(); }, 200000));
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    const unsigned cycles = drv_->uiTakeupCycles;
    platform::sleepMs(500);
    EXPECT_EQ(drv_->uiTakeupCycles.load(), cycles);
    // Nothing restarts a finished worker by itself; PRNTakeup may, but it ends at once.
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return !drv_->takeupWorker.running(); }, 60000));
}

TEST_F(Takeup, TheEngineStopsTheWorkerWhenItGoes) {
    drv_->uiTakeupMode = 1;
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return drv_->uiTakeupCycles.load() >= 1; }, 100000));
    drv_.reset();
    SUCCEED();
}

} // namespace

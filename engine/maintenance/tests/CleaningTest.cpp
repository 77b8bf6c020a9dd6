// Head cleaning cycles of every mode, watched through the virtual printer's event log.
#include "MaintTestSupport.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"

using mainttest::MaintTest;

namespace {

class Cleaning : public MaintTest {
protected:
    void SetUp() override {
        MaintTest::SetUp();
        CleaningSettings& c = drv_->cleaning;
        c.uiFlashFrequencyCleaning = 5;
        c.uiFlashFrequency = 2;
        c.uiFlashFrequencyCleaningDelay = 700;
        c.uiFlashAtHome = 0;
        c.uiSyringeUpPredelay = 100;
        c.uiSyringeTime = 200;
        c.uiSyringeDelay = 100;
        c.uiSyringeDownPredelay = 100;
        c.uiSyringeWasteInk = 400;
        c.uiWipeTime = 2;
        drv_->bHeadsProtectLeft = 1;
        drv_->uiCleaning = 300;
        drv_->uiCleaningWidth = 1800;
    }
    bool flashOn() { return (machine_->peekRegister(hw::REG_PRINT_CONTROL) >> hw::kPcFlash) & 1u; }
};

TEST_F(Cleaning, StationPositionsFromEitherEnd) {
    drv_->uiLeftLimitPos = 38000;
    drv_->uiRightLimitPos = 60000;
    auto p = drv_->PRNCleaningPositions();
    EXPECT_EQ(p.end, 38000u);
    EXPECT_EQ(p.cleaning, 38300u);
    EXPECT_EQ(p.wiping, 39800u);
    EXPECT_EQ(p.far, 40100u);
    drv_->bHeadsProtectLeft = 0;
    p = drv_->PRNCleaningPositions();
    EXPECT_EQ(p.end, 60000u);
    EXPECT_EQ(p.cleaning, 59700u);
    EXPECT_EQ(p.wiping, 58200u);
    EXPECT_EQ(p.far, 57900u);
    // Never below the start of the path.
    drv_->uiRightLimitPos = 1000;
    EXPECT_EQ(drv_->PRNCleaningPositions().far, 0u);
}

TEST_F(Cleaning, FlashOnlyModeFlashesForItsSecondsAndLeavesTheFlashOn) {
    drv_->cleaning.uiMode = 1;
    drv_->cleaning.uiTimes = 5;
    const uint64_t spits0 = machine_->flashSpits();
    const uint64_t t0 = platform::nowUs();
    drv_->PRNHeadsCleaning();
    const uint64_t took = platform::nowUs() - t0;
    EXPECT_GE(took, 5000000u);
    EXPECT_TRUE(flashOn());
    EXPECT_GT(machine_->flashSpits(), spits0);
    const auto v = log({"flash", "output"});
    EXPECT_EQ(count(v, "flash jetting on, code 5"), 1u);
    EXPECT_EQ(count(v, "flash jetting off"), 0u);
    EXPECT_EQ(count(v, "cleaner"), 0u);
    EXPECT_EQ(drv_->uiXTarget, drv_->PRNCleaningPositions().end);
}

TEST_F(Cleaning, CleanerModeWithoutPassesSwitchesTheCleanerAndFlashesForTheDelay) {
    drv_->cleaning.uiMode = 2;
    drv_->cleaning.uiTimes = 0;
    drv_->PRNSetPosition(drv_->uiLeftLimitPos + 5000, 1, 1);
    machine_->clearEvents();
    drv_->PRNHeadsCleaning();
    const auto v = log({"flash", "output", "move"});
    const int toEnd = find(v, "X start");
    const int on = find(v, "bit 3 on: cleaner");
    const int off = find(v, "bit 3 off: cleaner", on);
    const int flash = find(v, "flash jetting on, code 5", off);
    const int flashOff = find(v, "flash jetting off", flash);
    ASSERT_GE(toEnd, 0);
    EXPECT_LT(toEnd, on);
    ASSERT_GE(on, 0);
    ASSERT_GT(off, on);
    ASSERT_GT(flash, off);
    ASSERT_GT(flashOff, flash);
    EXPECT_EQ(count(v, "X start"), 1u); // only the way to the end position
    const auto ev = machine_->events("flash");
    ASSERT_GE(ev.size(), 2u);
    EXPECT_GE(ev.back().us - ev[ev.size() - 2].us, 700000u);
    EXPECT_FALSE(flashOn());
    EXPECT_EQ(drv_->uiXTarget, drv_->PRNCleaningPositions().end);
}

TEST_F(Cleaning, CleanerPassesGoToTheFarPositionAndBack) {
    drv_->cleaning.uiMode = 0;
    drv_->cleaning.uiTimes = 3;
    drv_->cleaning.uiFlashAtHome = 1;
    machine_->clearEvents();
    drv_->PRNHeadsCleaning();
    const auto v = log({"move"});
    EXPECT_EQ(count(v, "X start"), 7u); // 3 x (far, cleaning), back to the end
    EXPECT_TRUE(flashOn());              // flash at home afterwards
    const auto f = log({"flash"});
    ASSERT_FALSE(f.empty());
    EXPECT_NE(f.back().find("code 2"), std::string::npos);
}

TEST_F(Cleaning, PurgeAndWipeWithoutPurgePulsesStillPurgesWasteInkAndWipes) {
    drv_->cleaning.uiMode = 3;
    drv_->cleaning.uiSyringeTimes = 0;
    drv_->cleaning.bSyringeFlush = 1;
    machine_->clearEvents();
    drv_->PRNHeadsCleaning();
    drv_->wipperWorker.join();
    const auto v = log({"dio", "output", "flash"});
    EXPECT_EQ(count(v, "on: ink purge"), 0u);
    EXPECT_EQ(count(v, "bit 7 on: purge"), 0u);
    // Waste ink: the pump line once, with the wiper enabled before it.
    EXPECT_EQ(count(v, "on: pump common"), 1u);
    EXPECT_LT(find(v, "on: wiper enable"), find(v, "on: pump common"));
    // Two wipe strokes, the cleaner pulsed in each, flashing through them.
    EXPECT_EQ(count(v, "on: wiper position"), 2u);
    EXPECT_EQ(count(v, "bit 3 on: cleaner"), 2u);
    const int fl = find(v, "flash jetting on, code 5");
    ASSERT_GE(fl, 0);
    EXPECT_LT(fl, find(v, "on: wiper position"));
    // The wiper-cleaning output: on 2 s after the strokes, off 5 s later.
    const auto dio = machine_->events("dio");
    uint64_t onAt = 0, offAt = 0;
    for (const auto& e : dio) {
        if (e.what.find("P5.2 on") != std::string::npos) onAt = e.us;
        if (e.what.find("P5.2 off") != std::string::npos) offAt = e.us;
    }
    ASSERT_GT(onAt, 0u);
    EXPECT_GE(offAt - onAt, 5000000u);
    EXPECT_FALSE(flashOn()); // uiFlashAtHome 0
    // The engine is idle (stopped): the carriage goes back over the cleaning position.
    ASSERT_EQ(drv_->bStop.load(), 1u);
    EXPECT_EQ(drv_->uiXTarget, drv_->PRNCleaningPositions().cleaning);
    EXPECT_GE(count(v, "bit 3 off: cleaner"), 2u);
}

TEST_F(Cleaning, PurgeThenCleanerPassesPulsesThePurgeAndEndsAtTheEnd) {
    drv_->cleaning.uiMode = 4;
    drv_->cleaning.uiSyringeTimes = 3;
    drv_->cleaning.uiTimes = 1;
    machine_->clearEvents();
    drv_->PRNHeadsCleaning();
    const auto v = log({"dio", "output", "move"});
    EXPECT_EQ(count(v, "on: ink purge"), 3u);
    EXPECT_EQ(count(v, "on: pump common"), 4u); // three pulses and the waste ink
    EXPECT_EQ(count(v, "on: wiper position"), 0u); // no wipe strokes in mode 4
    const int lastPurge = find(v, "off: pump common", find(v, "on: pump common", find(v, "off: ink purge", 0) + 1));
    EXPECT_LT(lastPurge, find(v, "bit 3 on: cleaner"));
    EXPECT_EQ(drv_->uiXTarget, drv_->PRNCleaningPositions().end);
}

TEST_F(Cleaning, ModesAboveFourOnlySetTheFlash) {
    drv_->cleaning.uiMode = 7;
    drv_->cleaning.uiFlashAtHome = 1;
    machine_->clearEvents();
    drv_->PRNHeadsCleaning();
    const auto v = log({"dio", "output", "move"});
    EXPECT_TRUE(v.empty());
    EXPECT_TRUE(flashOn());
}

TEST_F(Cleaning, SkippedWhileTheCarriageMoves) {
    drv_->cleaning.uiMode = 2;
    drv_->cleaning.uiTimes = 2;
    drv_->MOVMoveX(0, 0, 20000, 0);
    drv_->PRNHeadsCleaning();
    EXPECT_EQ(drv_->uiCleaningCycles.load(), 0u);
    EXPECT_EQ(count(log({"output"}), "cleaner"), 0u);
    drv_->MOVStopMoveX();
}

TEST_F(Cleaning, ASecondWiperWorkerIsNotStartedAndTheEngineStopsTheRunningOne) {
    platform::setTimeScale(100);
    EXPECT_EQ(drv_->PRNCleaningWipper(), 1);
    EXPECT_EQ(drv_->PRNCleaningWipper(), 0);
    ASSERT_TRUE(waitFor([&] { return (machine_->dioOutput(5) & 0x04u) || !drv_->wipperWorker.running(); }, 60000));
    const bool midWay = drv_->wipperWorker.running();
    const uint64_t t0 = platform::nowUs();
    drv_.reset(); // mid-way through the 5 s
    if (midWay) {
        EXPECT_LT(platform::nowUs() - t0, 4000000u);
    }
    EXPECT_EQ(machine_->dioOutput(5) & 0x04u, 0u); // left off
    EXPECT_EQ(count(log({"dio"}), "P5.2 on"), 1u);
}

} // namespace

// A card call that fails anywhere in a cycle ends it at once: reported as not done, and nothing it
// switched stays on (purge, pump, cleaner), the carriage standing. Swept over the card calls of a
// fault-free cycle of the purging modes.
TEST_F(Cleaning, AFailedCardCallAnywhereEndsTheCycleWithEverythingOff) {
    drv_->cleaning.uiSyringeTimes = 2;
    drv_->cleaning.uiTimes = 1;
    for (unsigned mode : {3u, 4u}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        drv_->cleaning.uiMode = mode;
        uint64_t before = machine_->callCount(sim::CallKind::Any);
        ASSERT_EQ(drv_->PRNHeadsCleaning(), 1);
        drv_->wipperWorker.join();
        const uint64_t calls = machine_->callCount(sim::CallKind::Any) - before;
        ASSERT_GT(calls, 10u);
        // Every call of the cycle's start, then an even sample: most of the rest are the polls of
        // the carriage's moves, alike.
        const uint64_t stride = std::max<uint64_t>(1, calls / 60);
        for (uint64_t n = 1; n <= calls; n += n < 20 ? 1 : stride) {
            SCOPED_TRACE("failing call " + std::to_string(n) + " of " + std::to_string(calls));
            const uint64_t faults = hw::cardFaults();
            machine_->failCall(sim::CallKind::Any, n);
            const int r = drv_->PRNHeadsCleaning();
            machine_->clearFaults();
            drv_->wipperWorker.join();
            if (hw::cardFaults() == faults) continue; // this run made fewer calls (shorter polls)
            EXPECT_EQ(r, 0);
            EXPECT_EQ(drv_->AUXCheckPurge(), 0);
            EXPECT_EQ(drv_->AUXCheckCleaner(), 0);
            EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_PUMP_COMMON), 0);
            EXPECT_FALSE(machine_->xMoving());
            if (::testing::Test::HasFailure()) return; // one failing call number says enough
        }
    }
}

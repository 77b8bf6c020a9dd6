// The take-up worker on a virtual printer with its take-up fitted: the rolls, loops and dancers
// answer the worker's outputs, so the cycles, the MovBack sequence, the alarm, the manual switches
// and the emergency stop run against the machine rather than hand-set input lines.
#include <functional>
#include <mutex>

#include "../../core/tests/PrintJobFixture.h"
#include "MaintTestSupport.h"
#include "hardware/CardRegisters.h"

using mainttest::MaintTest;
using sim::TakeupSwitch;

namespace {

constexpr int A = 0, B = 1;

// The take-up machine's I/O card carries the dancers where other machines have the wiper
// feedback, so the engine uses the card without the wiper and pumps (bUseDIOCard 2).
constexpr unsigned kIoCardWithoutWiper = 2;

// Beep lengths are real sleeps of the worker read on the virtual clock: a thread the scheduler
// wakes late by d real ms makes the beep d x scale virtual ms longer. These tests run the clock at
// kBeepScale and allow kBeepSlackMs (20 real ms of wake-up delay), which still tells every beep of
// a sequence from its neighbours (50 / 200 / 300 ms, 800 / 1000 ms).
constexpr double kBeepScale = 5;
constexpr unsigned kBeepSlackMs = 100;

// The take-up's events and the Y moves, one a line with their time in ms: the story of a failure.
std::string timeline(sim::Machine& m) {
    std::string t;
    for (const auto& e : m.events())
        if (e.kind == "takeup" || (e.kind == "move" && e.what[0] == 'Y'))
            t += "\n" + std::to_string(e.us / 1000) + " " + e.kind + ": " + e.what;
    return t;
}

sim::MachineConfig takeupMachine(sim::MachineConfig cfg) {
    sim::fitTakeup(cfg, true);
    return cfg;
}

class TakeupMachine : public MaintTest {
protected:
    void SetUp() override {
        MaintTest::SetUp();
        platform::setTimeScale(100);
        remake([](sim::TakeupConfig&) {});
        drv_->bStopSeen = 1; // no job
        drv_->onStepTag = [this](const char* t) {
            std::lock_guard g(stepLock_);
            if (steps_.empty() || steps_.back() != t) steps_.push_back(t);
        };
    }
    // A fresh take-up machine with its take-up tuned by f (before the worker starts).
    void remake(const std::function<void(sim::TakeupConfig&)>& f) {
        sim::MachineConfig cfg = takeupMachine(machine_->config());
        f(cfg.takeup);
        machine_ = sim::newMachine(cfg);
        drv_->AUXOpenDIO(); // the fresh machine's card
        ASSERT_TRUE(CDIOCard::IsOpen());
        drv_->bUseDIOCard = kIoCardWithoutWiper;
    }
    std::vector<std::string> steps() {
        std::lock_guard g(stepLock_);
        return steps_;
    }
    sim::TakeupRollState roll(int r) { return machine_->takeupState().roll[r]; }
    const sim::TakeupConfig& cfg() { return machine_->config().takeup; }
    // Buzzer beeps (on-times in ms, rounded) since `since` (virtual us).
    std::vector<unsigned> beeps(uint64_t since = 0) {
        std::vector<unsigned> v;
        uint64_t on = 0;
        for (const auto& e : machine_->events("dio", since)) {
            if (e.what.find("P4.5 on") == 0) on = e.us;
            else if (e.what.find("P4.5 off") == 0 && on) v.push_back(unsigned((e.us - on + 500) / 1000));
        }
        return v;
    }
    bool cycles(unsigned n, uint32_t ms = 100000) {
        const unsigned target = drv_->uiTakeupCycles + n;
        return waitFor([&] { return drv_->uiTakeupCycles.load() >= target; }, ms);
    }

    std::mutex stepLock_;
    std::vector<std::string> steps_;
};

TEST_F(TakeupMachine, TheWorkerWindsAndFeedsTheRollsBetweenTheDancerSwitches) {
    drv_->uiTakeupMode = 1;
    machine_->setTakeupLoop(A, cfg().bottomMM + 20); // printed media hanging low
    machine_->setTakeupLoop(B, cfg().topMM - 20);    // supply loop drawn up
    drv_->PRNTakeup();
    // Roll A winds until its dancer is up at the top switch, roll B pays out until its dancer is
    // down at the bottom switch; then both stop.
    ASSERT_TRUE(waitFor([&] { return roll(A).top && roll(A).motor == 0; }, 60000));
    ASSERT_TRUE(waitFor([&] { return roll(B).bottom && roll(B).motor == 0; }, 60000));
    ASSERT_TRUE(cycles(3));
    EXPECT_EQ(roll(A).motor, 0);
    EXPECT_EQ(roll(B).motor, 0);
    const auto ev = log({"takeup"});
    EXPECT_EQ(count(ev, "motor A winds"), 1u);
    EXPECT_EQ(count(ev, "motor B pays out"), 1u);
    EXPECT_EQ(count(ev, "taut"), 0u);
    EXPECT_EQ(count(ev, "full"), 0u);
    // A stops after its top switch closes, B after its bottom switch: each within a cycle or two
    // (the worker may be sounding the alarm of the sensor lines the selectors share).
    EXPECT_LT(find(ev, "dancer A top switch on"), find(ev, "motor A stops"));
    EXPECT_LT(find(ev, "dancer B bottom switch on"), find(ev, "motor B stops"));
    EXPECT_GT(roll(A).loopMM, 0);
    EXPECT_LT(roll(B).loopMM, cfg().loopMM);
    // Mode 1: the take-up mode output of the card stays 0, its run output follows bYMoved (0).
    EXPECT_EQ(machine_->peekRegister(hw::REG_OUTPUT) & 0x30u, 0u);
}

TEST_F(TakeupMachine, TheMovBackSequenceRunsOnTheDancers) {
    // The supply roll rewinds at 10 mm/s: no faster than the media comes back, so its dancer is
    // still down when the move ends and the sequence waits for it.
    remake([](sim::TakeupConfig& t) { t.motorMMs[B] = 10; });
    drv_->uiTakeupMode = 2;
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(2));
    const double loopB = roll(B).loopMM, loopA = roll(A).loopMM, feed0 = machine_->mediaFeedMM();
    drv_->MOVMoveY(1, 1, 4000, 0); // the media goes back
    ASSERT_EQ(drv_->bYMoved.load(), 1u);
    ASSERT_TRUE(waitFor([&] { return drv_->bYMoved.load() == 0; }, 300000));
    const double backMM = feed0 - machine_->mediaFeedMM();
    ASSERT_GT(backMM, 10);
    ASSERT_TRUE(waitFor([&] { return steps().size() >= 4; }, 10000)) << timeline(*machine_);
    EXPECT_EQ(drv_->uiMovBackCount.load(), 1u);
    EXPECT_EQ(drv_->uiMovBackTimeouts.load(), 0u);
    EXPECT_EQ(steps(), (std::vector<std::string>{"MovBack", "Moving Back", "MovBack Un0", "MovBackEnd"}));
    EXPECT_TRUE(machine_->peekRegister(hw::REG_OUTPUT) & 0x20u); // mode 2: the card's take-up mode bit
    // The supply roll wound back the media the print zone pushed into its loop and stopped with
    // its dancer at the top switch; the take-up roll (direction 2: it only winds) stood still and
    // gave its loop to the print zone.
    const auto ev = log({"takeup"});
    const int winds = find(ev, "motor B winds"), top = find(ev, "dancer B top switch on");
    ASSERT_GE(winds, 0);
    ASSERT_GT(top, winds);
    EXPECT_EQ(count(ev, "motor A"), 0u);
    EXPECT_NEAR(roll(A).loopMM, loopA - backMM, 0.5);
    EXPECT_LT(loopB + backMM, cfg().loopMM); // the move back alone left B between its switches
    EXPECT_EQ(count(ev, "taut"), 0u);
    EXPECT_EQ(count(ev, "full"), 0u);
    // After the sequence the normal cycle takes over: B pays out again down to its bottom switch.
    ASSERT_TRUE(waitFor([&] { return roll(B).bottom && roll(B).motor == 0; }, 60000));
    EXPECT_GE(find(log({"takeup"}), "motor B pays out", top), 0);
    // The following cycle clears the card's run output again.
    ASSERT_TRUE(waitFor([&] { return !(machine_->peekRegister(hw::REG_OUTPUT) & 0x10u); }, 60000));
    EXPECT_EQ(count(log({"output"}), "bit 4 on: take-up motor"), 1u);
}

TEST_F(TakeupMachine, ARollReachingItsDancerSwitchDuringTheMoveBackStops) {
    // Roll B rewinds (30 mm/s) faster than a long move back (10 mm/s) gives it media: its dancer
    // comes up to the top switch while the media is still going back.
    drv_->uiTakeupMode = 1;
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(2));
    drv_->MOVMoveY(1, 1, 6000, 0);
    ASSERT_TRUE(waitFor([&] { return drv_->bYMoved.load() == 0; }, 300000));
    const auto ev = log({"takeup"});
    const int top = find(ev, "dancer B top switch on");
    ASSERT_GE(top, 0);
    EXPECT_GT(find(ev, "motor B stops", top), top);
    EXPECT_EQ(count(ev, "loop B taut"), 0u); // held at its switch, not wound on against the feed roller
    EXPECT_GT(roll(B).loopMM, cfg().topMM - 20);
    EXPECT_EQ(drv_->uiMovBackTimeouts.load(), 0u);
}

TEST_F(TakeupMachine, RollAPaysOutDuringTheMoveBackUntilItsDancerIsDown) {
    drv_->uiTakeupMode = 1;
    machine_->setTakeupSwitch(TakeupSwitch::DirectionA, 1); // roll A set to unwind
    machine_->setTakeupLoop(A, cfg().bottomMM - 40);
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(2));
    drv_->MOVMoveY(1, 1, 4000, 0);
    ASSERT_TRUE(waitFor([&] { return drv_->bYMoved.load() == 0; }, 300000));
    const auto ev = log({"takeup"});
    const int pays = find(ev, "motor A pays out");
    ASSERT_GE(pays, 0);
    // It stops for its dancer or at the end of the move, and never dumps the loop.
    EXPECT_GT(find(ev, "motor A stops", pays), pays);
    EXPECT_EQ(count(ev, "full"), 0u);
    EXPECT_EQ(count(ev, "taut"), 0u);
    EXPECT_EQ(roll(A).motor, 0);
}

TEST_F(TakeupMachine, TheSensorAlarmSoundsForSensorsAndForTheLinesTheSelectorsShare) {
    platform::setTimeScale(kBeepScale);
    drv_->uiTakeupMode = 0;
    machine_->setTakeupSwitch(TakeupSwitch::DirectionA, 0);
    machine_->setTakeupSwitch(TakeupSwitch::DirectionB, 0);
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(45)); // two sensor checks: all quiet
    EXPECT_TRUE(beeps().empty());
    // Sensor 5 (P1.0) active: after its confirmation the alarm sounds 300, 200, 50, 300, 300 ms.
    const uint64_t t0 = machine_->nowUs();
    machine_->setDioInput(1, 0, "0");
    ASSERT_TRUE(waitFor([&] { return beeps(t0).size() >= 5; }, 100000));
    machine_->setDioInput(1, 0, "1");
    const std::vector<unsigned> alarm{300, 200, 50, 300, 300};
    auto b = beeps(t0);
    b.resize(5);
    for (size_t i = 0; i < 5; ++i) { // never short; late by no more than the scheduler's slack
        EXPECT_GE(b[i] + 1, alarm[i]) << i;
        EXPECT_LT(b[i], alarm[i] + kBeepSlackMs) << i;
    }
    // Direction switch A at 2 pulls P0.7 low: sensor 9 shares that line and reads active.
    const uint64_t t1 = machine_->nowUs() + 3000000; // after a sequence still running
    ASSERT_TRUE(waitFor([&] { return machine_->nowUs() > t1; }, 10000));
    ASSERT_TRUE(cycles(45));
    EXPECT_TRUE(beeps(t1).empty());
    EXPECT_EQ(drv_->AUXDIOSensor(9), 0);
    machine_->setTakeupSwitch(TakeupSwitch::DirectionA, 2);
    EXPECT_EQ(drv_->AUXDIOSensor(9), 1);
    ASSERT_TRUE(waitFor([&] { return beeps(t1).size() >= 5; }, 100000));
}

TEST_F(TakeupMachine, ManualSwitchesAreMirroredWhileNoJobRuns) {
    platform::setTimeScale(kBeepScale);
    drv_->uiTakeupMode = 0;
    machine_->setTakeupSwitch(TakeupSwitch::DirectionA, 0); // no selector on a sensor line: no alarm
    machine_->setTakeupSwitch(TakeupSwitch::DirectionB, 0);
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(2));
    uint64_t t0 = machine_->nowUs();
    machine_->setTakeupSwitch(TakeupSwitch::Switch1, 1);
    ASSERT_TRUE(waitFor([&] { return (machine_->dioOutput(5) >> 3) & 1u; }, 100000));
    ASSERT_TRUE(waitFor([&] { return beeps(t0).size() >= 3; }, 100000));
    for (unsigned ms : beeps(t0)) {
        EXPECT_GE(ms + 1, 1000u);
        EXPECT_LT(ms, 1000u + kBeepSlackMs);
    }
    // Switch 2 during a job: left alone until the job is over; then one beep of 800 ms.
    ASSERT_TRUE(waitFor([&] { return beeps(t0).size() == 3 && machine_->nowUs() > t0 + 7000000; }, 100000));
    drv_->bStopSeen = 0;
    t0 = machine_->nowUs();
    machine_->setTakeupSwitch(TakeupSwitch::Switch2, 1);
    ASSERT_TRUE(cycles(20));
    EXPECT_EQ((machine_->dioOutput(5) >> 4) & 1u, 0u);
    drv_->bStopSeen = 1;
    ASSERT_TRUE(waitFor([&] { return (machine_->dioOutput(5) >> 4) & 1u; }, 100000));
    ASSERT_TRUE(waitFor([&] { return beeps(t0).size() >= 1; }, 100000));
    EXPECT_GE(beeps(t0)[0] + 1, 800u);
    EXPECT_LT(beeps(t0)[0], 800u + kBeepSlackMs);
    // Released: both outputs follow.
    machine_->setTakeupSwitch(TakeupSwitch::Switch1, 0);
    machine_->setTakeupSwitch(TakeupSwitch::Switch2, 0);
    ASSERT_TRUE(waitFor([&] { return (machine_->dioOutput(5) & 0x18u) == 0; }, 200000));
}

TEST_F(TakeupMachine, ManualSelectorsOverrideTheDancers) {
    drv_->uiTakeupMode = 1;
    drv_->PRNTakeup();
    ASSERT_TRUE(cycles(2));
    EXPECT_EQ(roll(A).motor, 0); // both loops between their switches: nothing to do
    EXPECT_EQ(roll(B).motor, 0);
    // Manual A at 2: roll A winds whatever its dancer says, past the top switch.
    machine_->setTakeupSwitch(TakeupSwitch::ManualA, 2);
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == +1; }, 10000));
    ASSERT_TRUE(waitFor([&] { return roll(A).top; }, 60000));
    ASSERT_TRUE(cycles(2));
    EXPECT_EQ(roll(A).motor, +1);
    // Manual A at 1 holds it; back at 0 the dancer (at the top) keeps it still.
    machine_->setTakeupSwitch(TakeupSwitch::ManualA, 1);
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == 0; }, 10000));
    machine_->setTakeupSwitch(TakeupSwitch::ManualA, 0);
    ASSERT_TRUE(cycles(3));
    EXPECT_EQ(roll(A).motor, 0);
    // Manual B at 1 and 2: the two senses of motor B (P4.1 pays out this roll, P4.2 winds it).
    machine_->setTakeupSwitch(TakeupSwitch::ManualB, 1);
    ASSERT_TRUE(waitFor([&] { return roll(B).motor == -1; }, 10000));
    machine_->setTakeupSwitch(TakeupSwitch::ManualB, 2);
    ASSERT_TRUE(waitFor([&] { return roll(B).motor == +1; }, 10000));
    machine_->setTakeupSwitch(TakeupSwitch::ManualB, 0);
    ASSERT_TRUE(cycles(3));
    // Between its switches the dancer leaves the motor as it was (still winding), until the top.
    ASSERT_TRUE(waitFor([&] { return roll(B).top || roll(B).motor != +1; }, 60000));
}

TEST_F(TakeupMachine, ASuspendedTakeupLeavesNoRollRunning) {
    drv_->uiTakeupMode = 1;
    machine_->setTakeupLoop(A, cfg().loopMM - 10);
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == +1; }, 10000));
    drv_->bTakeupRunning = 0;
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == 0; }, 10000));
    const double held = roll(A).loopMM;
    ASSERT_TRUE(cycles(10));
    EXPECT_EQ(roll(A).loopMM, held);
    EXPECT_GT(held, cfg().topMM);
    drv_->bTakeupRunning = 1;
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == +1; }, 10000));
    drv_->uiTakeupMode = 0;
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == 0; }, 10000));
}

TEST_F(TakeupMachine, TheEmergencyStopEndsTheWorkerAndLeavesTheRollsStill) {
    drv_->uiTakeupMode = 1;
    machine_->setTakeupLoop(A, cfg().loopMM - 10);
    drv_->PRNTakeup();
    ASSERT_TRUE(waitFor([&] { return roll(A).motor == +1; }, 10000));
    machine_->pressEmergencyStop(true);
    EXPECT_EQ(roll(A).motor, 0); // the button cuts the motor power at once
    ASSERT_TRUE(waitFor([&] { return !drv_->takeupWorker.running(); }, 200000));
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_TRUE(drv_->csPrintStep.is("EMG STOP!"));
    // Released: the worker is gone, and it left the run line off.
    machine_->pressEmergencyStop(false);
    EXPECT_EQ(machine_->dioOutput(4) & 0x16u, 0u);
    const double held = roll(A).loopMM;
    platform::sleepMs(2000);
    EXPECT_EQ(roll(A).motor, 0);
    EXPECT_EQ(roll(A).loopMM, held);
}

// ---- a whole print job on the take-up machine

class TakeupPrintJob : public printjobtest::PrintJob {
protected:
    void SetUp() override {
        PrintJob::SetUp();
        // The worker's answer comes a cycle late, or a whole sensor alarm (2.6 s) late: the rolls
        // run at 15 mm/s here so that the test machine's scheduling slack cannot empty a loop.
        platform::setTimeScale(100);
        sim::MachineConfig cfg = takeupMachine(machine_->config());
        cfg.takeup.motorMMs[0] = cfg.takeup.motorMMs[1] = 15;
        cfg.takeup.startMM[0] = 400; // both loops some way towards their switches
        cfg.takeup.startMM[1] = 200;
        machine_ = sim::newMachine(cfg);
        machine_->setMisplacement(false);
        machine_->setCarriage(0.0);
        machine_->setSheetResolution(180, 185.21);
        d->AUXInitHardware(0, 3);
        ASSERT_TRUE(platform::writeRegistryInt(dir_, CDIOCard::kBaseAddressKey, CDIOCard::kBaseAddressValue, 0x220));
        d->AUXOpenDIO();
        ASSERT_TRUE(CDIOCard::IsOpen());
        d->bUseDIOCard = kIoCardWithoutWiper;
        prompter_->clear();
    }
};

TEST_F(TakeupPrintJob, TheTakeupKeepsUpWithTheJobsFeed) {
    const auto& t = machine_->config().takeup;
    d->uiTakeupMode = 1;
    d->PRNTakeup();
    const double feed0 = machine_->mediaFeedMM();
    const std::string path = makeRip(64, 2000);
    ASSERT_EQ(run(path, 1), 1);
    const double fed = machine_->mediaFeedMM() - feed0;
    ASSERT_GT(fed, t.bottomMM - t.startMM[A] + 50); // enough to bring both rolls into play
    ASSERT_GT(fed, t.startMM[B] - t.topMM + 50);
    // Let the take-up catch up with the last feed.
    auto settled = [&] {
        const auto s = machine_->takeupState();
        return s.roll[A].motor == 0 && s.roll[B].motor == 0 && !s.roll[A].bottom && !s.roll[B].top;
    };
    const uint64_t until = machine_->nowUs() + 20000000;
    while (!settled() && machine_->nowUs() < until) platform::sleepMs(50);
    ASSERT_TRUE(settled());
    std::vector<std::string> ev;
    for (const auto& e : machine_->events("takeup")) ev.push_back(e.what);
    auto count = [&](const std::string& part) {
        size_t n = 0;
        for (const auto& s : ev) n += s.find(part) != std::string::npos;
        return n;
    };
    EXPECT_GE(count("motor A winds"), 1u);
    EXPECT_GE(count("motor B pays out"), 1u);
    EXPECT_EQ(count("motor A pays out"), 0u);
    EXPECT_EQ(count("motor B winds"), 0u);
    EXPECT_EQ(count("taut"), 0u) << "a loop pulled taut" << timeline(*machine_);
    EXPECT_EQ(count("full"), 0u) << "a dancer at the end of its travel" << timeline(*machine_);
    // Every bit of media the job fed went onto roll A and came off roll B.
    const auto s = machine_->takeupState();
    EXPECT_GT(s.roll[A].loopMM, 0);
    EXPECT_LT(s.roll[B].loopMM, t.loopMM);
}

} // namespace

// The machine physics of the virtual printer, driven through its card registers.
#include <cmath>
#include <fstream>

#include "SimTestSupport.h"
#include "sim/StatePersist.h"

using namespace hw;
using namespace simtest;

namespace {

constexpr double kXPulsesPerMM = 8.5827 / 0.1411111;

// A generation-0 move of 6400 pulses at 64000 pulses/s with 20 ms ramps takes 120 ms.
double timedMove() {
    const uint64_t t0 = platform::nowUs();
    moveXDsp(0, 6400, 400, 20);
    EXPECT_TRUE(waitX());
    return double(platform::nowUs() - t0) / 1000.0;
}

TEST_F(SimTest, MoveTakesTheExpectedTimeAtAnyTimeScale) {
    for (double scale : {1.0, 100.0}) {
        platform::setTimeScale(scale);
        m = sim::newMachine(sim::MachineConfig{});
        const double x0 = m->carriageMM();
        const auto real0 = std::chrono::steady_clock::now();
        const double virtualMs = timedMove();
        const double realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - real0).count();
        EXPECT_GE(virtualMs, 119.0) << "scale " << scale;
        // Polling adds its sleeps' overshoot, a hundredfold at scale 100; the exact time is the log's.
        // Only lower bounds: a busy machine may wake the poller late, never early.
        if (scale == 1) {
            EXPECT_GE(realMs, 110.0);
        }
        EXPECT_NEAR(m->carriageMM() - x0, 6400 / kXPulsesPerMM, 1e-6);
        // The move's own end time is exact, whatever the polling.
        auto ev = m->events("move");
        ASSERT_GE(ev.size(), 2u);
        EXPECT_NE(ev.back().what.find("X at rest"), std::string::npos);
        EXPECT_NE(ev[ev.size() - 2].what.find("X start"), std::string::npos);
        EXPECT_NEAR(double(ev.back().us - ev[ev.size() - 2].us) / 1000.0, 120.0, 0.01);
    }
}

TEST_F(SimTest, GenerationOneMoveUsesCardRegisters) {
    // Speed value 400 divides the 25.6 MHz clock: 64000 pulses/s; acceleration 1 x 100 ms.
    setOutBit(0, 1); // left
    wr(REG_MOTION, rd(REG_MOTION) & ~1u);
    wr(REG_X_DISTANCE, 12800);
    wr(REG_MOTION, (rd(REG_MOTION) & ~0xFF00u) | ((400 & 0xFF) << 8));
    wr(REG_MOTION_2, ((400 >> 8) & 0x3F) | (1u << 8));
    const double x0 = m->carriageMM();
    wr(REG_MOTION, rd(REG_MOTION) | 1u);
    EXPECT_FALSE(m->xMoving()); // nothing until the interrupt pulse
    const uint64_t t0 = platform::nowUs();
    pulse();
    EXPECT_NE(rd(REG_MOTION) & kMotXBusyMask, 0u);
    EXPECT_TRUE(waitWhile([] { return rd(REG_MOTION) & kMotXBusyMask; }));
    EXPECT_GE(double(platform::nowUs() - t0) / 1000.0, 299.0);
    auto ev = m->events("move");
    ASSERT_GE(ev.size(), 2u);
    EXPECT_NEAR(double(ev.back().us - ev[ev.size() - 2].us) / 1000.0, 300.0, 0.01);
    EXPECT_NEAR(x0 - m->carriageMM(), 12800 / kXPulsesPerMM, 1e-6);
    // Another pulse with the run bit still set starts nothing.
    pulse();
    EXPECT_FALSE(m->xMoving());
    // Stop: clear the run bit and pulse.
    wr(REG_MOTION, rd(REG_MOTION) & ~1u);
    wr(REG_MOTION, rd(REG_MOTION) | 1u);
    pulse();
    EXPECT_TRUE(m->xMoving());
    wr(REG_MOTION, rd(REG_MOTION) & ~1u);
    pulse();
    EXPECT_TRUE(waitWhile([] { return rd(REG_MOTION) & kMotXBusyMask; }, 2000));
}

TEST_F(SimTest, WorkingSwitchStopsTheCarriageWhereItCloses) {
    // However late the engine sees the switch, the carriage rests where it closed: homing ends in
    // the same place at every time scale.
    m->setCarriage(40);
    moveXDsp(1, uint32_t(50000 * kXPulsesPerMM), 400, 50);
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_INPUT) & (1u << kInXWarning)); }));
    EXPECT_DOUBLE_EQ(m->carriageMM(), 0.0);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInLeftLimit));
    wrDsp(DSP_COMMAND, DSP_STOP_X);
    pulse();
    EXPECT_TRUE(waitX());
    // A dead switch cuts nothing: the carriage runs on to the hard stop.
    m->setLimitFault(false, sim::LimitFault::Dead);
    moveXDsp(1, uint32_t(50000 * kXPulsesPerMM), 400, 50);
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_INPUT) & (1u << kInXWarning)); }));
    EXPECT_DOUBLE_EQ(m->carriageMM(), -m->config().hardStopMM);
}

TEST_F(SimTest, LimitSwitchesAndHardStops) {
    // A machine whose switches only signal: driven far to the left, the switch closes at 0 mm and
    // the carriage stalls at the hard stop.
    sim::MachineConfig cfg;
    cfg.switchesStopDrive = false;
    m = sim::newMachine(cfg);
    moveXDsp(1, uint32_t(50000 * kXPulsesPerMM), 400, 50); // still pulsing long after the stall
    // (Where the poll sees the switch close depends on how fast the test thread runs; where the
    // switch closes is checked below with the carriage placed.)
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_INPUT) & (1u << kInLeftLimit)); }));
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInRightLimit));
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_INPUT) & (1u << kInXWarning)); }));
    EXPECT_DOUBLE_EQ(m->carriageMM(), -m->config().hardStopMM);
    EXPECT_TRUE(m->xMoving()); // stalled, still pulsing
    wrDsp(DSP_COMMAND, DSP_STOP_X);
    pulse();
    EXPECT_TRUE(waitX());
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInXWarning));
    // Back off 20 mm: the switch opens.
    moveXDsp(0, uint32_t(20 * kXPulsesPerMM), 400, 20);
    EXPECT_TRUE(waitX());
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInLeftLimit));
    EXPECT_NEAR(m->carriageMM(), 20 - m->config().hardStopMM, 0.02);
    // The left switch closes at 0 mm, the right one at the far end of travel.
    m->setCarriage(0.5);
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInLeftLimit));
    m->setCarriage(-0.5);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInLeftLimit));
    m->setCarriage(m->config().travelMM - 1);
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInRightLimit));
    m->setCarriage(m->config().travelMM + 1);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInRightLimit));
}

TEST_F(SimTest, LimitSwitchFaults) {
    m->setCarriage(1000);
    m->setLimitFault(false, sim::LimitFault::Stuck);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInLeftLimit));
    m->setCarriage(-2);
    m->setLimitFault(false, sim::LimitFault::Dead);
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInLeftLimit));
    m->clearFaults();
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInLeftLimit));
}

TEST_F(SimTest, MediaSensorFollowsTheGeometry) {
    m->setMedia(300, 1600);
    auto media = [] { return !(rd(REG_INPUT) & (1u << kInMedia)); };
    // The sensor sits right of the carriage reference by its offset.
    const double sensor = m->config().sensorOffsetMM;
    EXPECT_NEAR(sensor, 1100 * 25.4 / 180, 1e-9);
    for (auto [x, over] : std::initializer_list<std::pair<double, bool>>{
             {299.0, false}, {300.5, true}, {1000, true}, {1899.5, true}, {1900.5, false}}) {
        m->setCarriage(x - sensor);
        EXPECT_EQ(media(), over) << x;
    }
    m->setMedia(0, 0);
    m->setCarriage(1000);
    EXPECT_FALSE(media());
}

TEST_F(SimTest, CarriageSlipStopsShort) {
    m->setSlip(0.9);
    const double x0 = m->carriageMM();
    moveXDsp(0, 60822, 400, 20);
    EXPECT_TRUE(waitX());
    EXPECT_NEAR(m->carriageMM() - x0, 0.9 * 60822 / kXPulsesPerMM, 1e-6);
}

TEST_F(SimTest, YAxisFeedsAndFindsHome) {
    const double y0 = m->mediaFeedMM();
    moveYDsp(1, 4898, 400); // forward ~10 mm
    EXPECT_TRUE(rdDsp(DSP_STATUS) & 0x10);
    EXPECT_TRUE(waitY());
    EXPECT_NEAR(m->mediaFeedMM() - y0, 4898 / (16.792286 / 0.0342854), 1e-6);
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInYHome));
    moveYDsp(0, 200000, 400); // back until the home switch
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_INPUT) & (1u << kInYHome)); }));
    EXPECT_LE(m->mediaFeedMM(), 0.0);
    wrDsp(DSP_COMMAND, DSP_STOP_Y);
    pulse();
    EXPECT_TRUE(waitY());
}

TEST_F(SimTest, EmergencyStopHaltsAndRefusesMoves) {
    moveXDsp(0, 600000, 400, 20);
    platform::sleepMs(50);
    m->pressEmergencyStop(true);
    EXPECT_FALSE(m->xMoving());
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInEmergency));
    const double x = m->carriageMM();
    moveXDsp(0, 6000, 400, 20);
    EXPECT_FALSE(m->xMoving());
    EXPECT_DOUBLE_EQ(m->carriageMM(), x);
    m->pressEmergencyStop(false);
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInEmergency));
    // Scheduled at a time.
    m->scheduleEmergencyStopAt(true, 30000);
    EXPECT_FALSE(m->emergencyStopPressed());
    platform::sleepMs(40);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInEmergency));
    auto ev = m->events("fault");
    ASSERT_FALSE(ev.empty());
    EXPECT_NE(ev.back().what.find("scheduled at a time"), std::string::npos);
}

TEST_F(SimTest, DspResetStopsItsMoves) {
    moveXDsp(0, 600000, 400, 20);
    EXPECT_TRUE(m->xMoving());
    wr(REG_CONTROL, kDspResetHold);
    EXPECT_TRUE(waitX());
    wr(REG_CONTROL, kDspResetRelease);
    moveXDsp(0, 6000, 400, 20);
    EXPECT_TRUE(m->xMoving());
}

TEST_F(SimTest, SpeedChangeDuringAMove) {
    // Real time here: the move must still be going when the speed is sampled, however busy the
    // machine running the test is (it lasts seconds; the test samples after a tenth of that).
    platform::setTimeScale(1);
    moveXDsp(1, 600000, 400, 20);
    platform::sleepMs(30);
    wrDsp(DSP_X_SPEED, 100);
    platform::sleepMs(40);
    ASSERT_TRUE(m->xMoving());
    EXPECT_NEAR(m->xSpeedMMs(), 100 * 160 / kXPulsesPerMM, 0.01);
    // Carriage slow mode limits the speed at once.
    wr(REG_MOTION, rd(REG_MOTION) | (1u << kMotSlowEnable));
    platform::sleepMs(40);
    ASSERT_TRUE(m->xMoving());
    EXPECT_NEAR(m->xSpeedMMs(), m->config().slowSpeedMMs[0], 0.01);
}

TEST_F(SimTest, MachineFileOverridesTheDefaults) {
    sim::MachineConfig cfg;
    std::string error;
    ASSERT_TRUE(sim::parseMachineText(
                    "[X]\nTravelMM = 2000\n[Heads]\nCount = 2\n[Head2]\nXMM = 12.5\nColour = 1\nReversed = 1\n", cfg, &error))
        << error;
    EXPECT_EQ(cfg.travelMM, 2000);
    ASSERT_EQ(cfg.heads.size(), 2u);
    EXPECT_EQ(cfg.heads[1].xMM, 12.5);
    EXPECT_TRUE(cfg.heads[1].reversed);
    EXPECT_FALSE(cfg.heads[0].reversed);
    EXPECT_FALSE(sim::parseMachineText("[Head1]\nReversed = 2\n", cfg, &error));
    // The written text loads back to the same machine.
    sim::MachineConfig again;
    ASSERT_TRUE(sim::parseMachineText(sim::machineText(cfg), again, &error)) << error;
    EXPECT_EQ(sim::machineText(again), sim::machineText(cfg));
    // Malformed input is refused with the line.
    EXPECT_FALSE(sim::parseMachineText("[X]\nTravelMM = lots\n", cfg, &error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
    EXPECT_FALSE(sim::parseMachineText("[Card]\nMemoryMode = 9\n", cfg, &error));
    EXPECT_FALSE(sim::parseMachineText("[Nope\n", cfg, &error));
    EXPECT_FALSE(sim::parseMachineText("[X]\nNoSuchKey = 1\n", cfg, &error));
    EXPECT_FALSE(sim::parseMachineText("[Head0]\nXMM = 1\n", cfg, &error));
}

TEST_F(SimTest, StateSurvivesTheProcess) {
    moveXDsp(0, 30000, 400, 20);
    EXPECT_TRUE(waitX());
    wr(REG_OUTPUT, 0x300);
    const double x = m->carriageMM();
    const uint32_t enc = rd(REG_X_ENCODER);
    const std::string path = dir + "/machine.state";
    std::string error;
    ASSERT_TRUE(m->saveState(path, &error)) << error;
    auto fresh = sim::newMachine(sim::MachineConfig{});
    ASSERT_TRUE(fresh->loadState(path, &error)) << error;
    EXPECT_DOUBLE_EQ(fresh->carriageMM(), x);
    EXPECT_EQ(rd(REG_X_ENCODER), enc);
    EXPECT_EQ(rd(REG_OUTPUT), 0x300u);
    // A bad file is refused and leaves the machine alone.
    std::ofstream(dir + "/bad.state") << "something else\n";
    EXPECT_FALSE(fresh->loadState(dir + "/bad.state", &error));
    EXPECT_DOUBLE_EQ(fresh->carriageMM(), x);
}


// The kept machine and the host file saved with it are one pair: a host file written after the
// machine's last save is put back to the copy the machine carries, and a missing one removed.
TEST_F(SimTest, KeptStatePutsBackTheHostFileItWasSavedWith) {
    const std::string path = dir + "/kept.state", host = dir + "/status.ini";
    ::setenv("CARVEX_SIM_STATE", path.c_str(), 1);
    std::string error;
    // Saved before the host file existed; then the file appears (a crash before the next save).
    ASSERT_TRUE(sim::persistMachine(host, &error)) << error;
    std::ofstream(host) << "pass = 3\n";
    sim::newMachine(sim::MachineConfig{});
    ASSERT_TRUE(sim::restoreMachine(&error)) << error;
    EXPECT_FALSE(std::filesystem::exists(host));
    // Saved with the file; the file moves on; loading takes it back.
    std::ofstream(host) << "pass = 4\n";
    sim::machine()->setCarriage(123.0);
    ASSERT_TRUE(sim::persistMachine(host, &error)) << error;
    std::ofstream(host) << "pass = 5\n";
    sim::newMachine(sim::MachineConfig{});
    ASSERT_TRUE(sim::restoreMachine(&error)) << error;
    EXPECT_DOUBLE_EQ(sim::machine()->carriageMM(), 123.0);
    std::ifstream f(host);
    std::string line;
    std::getline(f, line);
    EXPECT_EQ(line, "pass = 4");
    // An unchanged pair is left as it is; a moving machine is not saved (the last pair stays).
    ASSERT_TRUE(sim::restoreMachine(&error)) << error;
    moveXDsp(0, 30000, 400, 20);
    EXPECT_FALSE(sim::persistMachine(host, &error));
    EXPECT_TRUE(waitX());
    ::unsetenv("CARVEX_SIM_STATE");
    EXPECT_TRUE(sim::persistMachine(host, &error)) << "nothing to do without the variable";
}

} // namespace

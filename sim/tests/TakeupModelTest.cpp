// The take-up model on its own: loops following the feed and the motors, the dancer switches and
// the operator's switches on the I/O lines, the machine file keys.
#include <algorithm>
#include <cmath>

#include "SimTestSupport.h"
#include "hardware/DioDriver.h"

using namespace simtest;
using namespace hw;
using sim::TakeupSwitch;

namespace {

constexpr int A = 0, B = 1;

class TakeupModel : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        fit(true);
    }
    // A small take-up: loops of 400 mm, switches at 100 and 300 mm, both at 200 mm, motors 40 mm/s.
    static sim::MachineConfig small() {
        sim::MachineConfig cfg;
        auto& t = cfg.takeup;
        t.loopMM = 400;
        t.topMM = 100;
        t.bottomMM = 300;
        t.startMM[0] = t.startMM[1] = 200;
        t.motorMMs[0] = t.motorMMs[1] = 40;
        return cfg;
    }
    void fit(bool fitted, sim::MachineConfig cfg = small()) {
        sim::fitTakeup(cfg, fitted);
        m = sim::newMachine(cfg);
        dio = sim::dioDriver();
        ASSERT_EQ(dio->DRV_DeviceOpen(0, &h), kDioSuccess);
    }
    unsigned line(unsigned port, unsigned bit) {
        uint16_t v = 9;
        EXPECT_EQ(dio->DRV_DioReadBit(h, uint16_t(port), uint16_t(bit), &v), kDioSuccess);
        return v;
    }
    // A get function 0..12 of the selectors: port 0 bits 0..7, then port 1 bits 0..4.
    unsigned get(unsigned f) { return f < 8 ? line(0, f) : line(1, f - 8); }
    // The selector reading the engine forms from its two lines.
    int selector(unsigned pair) {
        static constexpr unsigned lines[6][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {10, 9}, {12, 11}};
        const unsigned a = get(lines[pair][0]), b = get(lines[pair][1]);
        return a == b ? 0 : a == 0 ? 1 : 2;
    }
    static constexpr unsigned kManualB = 0, kDirectionB = 1, kManualA = 2, kDirectionA = 3, kDancerB = 4, kDancerA = 5;
    void out(unsigned bit, bool on) { ASSERT_EQ(dio->DRV_DioWriteBit(h, 4, uint16_t(bit), on), kDioSuccess); }
    double loop(int roll) { return m->takeupState().roll[roll].loopMM; }
    // Feeds (forward) or pulls back the media by mm on the Y axis and waits for the move.
    void feed(double mm) {
        moveYDsp(mm >= 0 ? 1 : 0, uint32_t(std::lround(std::fabs(mm) * m->config().yPulsesPerMM)), 400);
        ASSERT_TRUE(waitY());
    }
    std::vector<std::string> events() {
        std::vector<std::string> v;
        for (const auto& e : m->events("takeup")) v.push_back(e.what);
        return v;
    }
    static size_t count(const std::vector<std::string>& v, const std::string& part) {
        size_t n = 0;
        for (const auto& s : v) n += s.find(part) != std::string::npos;
        return n;
    }

    // Virtual time (us) of the n-th take-up event that reads exactly `what`.
    uint64_t at(const std::string& what, size_t n = 0) {
        for (const auto& e : m->events("takeup"))
            if (e.what == what && n-- == 0) return e.us;
        ADD_FAILURE() << "no event " << what;
        return 0;
    }
    double seconds(uint64_t from, uint64_t to) { return double(to - from) * 1e-6; }

    std::shared_ptr<DioDriver> dio;
    int32_t h = 0;
};

TEST_F(TakeupModel, FeedingLowersTheTakeupDancerAndRaisesTheSupplyDancer) {
    ASSERT_NEAR(loop(A), 200, 1e-9);
    ASSERT_NEAR(loop(B), 200, 1e-9);
    EXPECT_EQ(selector(kDancerA), 0); // both dancers between their switches
    EXPECT_EQ(selector(kDancerB), 0);
    feed(60);
    EXPECT_NEAR(loop(A), 260, 0.05);
    EXPECT_NEAR(loop(B), 140, 0.05);
    EXPECT_NEAR(m->takeupState().roll[A].dancer, 260.0 / 400, 1e-3);
    EXPECT_EQ(selector(kDancerA), 0);
    feed(60);
    // Loop A past its bottom switch (long), loop B at its top switch (short).
    EXPECT_NEAR(loop(A), 320, 0.05);
    EXPECT_NEAR(loop(B), 80, 0.05);
    EXPECT_EQ(selector(kDancerA), 2);
    EXPECT_EQ(selector(kDancerB), 1);
    const auto ev = m->events("takeup");
    ASSERT_EQ(ev.size(), 2u);
    // Each switch closes where its loop crosses it, not when somebody looks.
    EXPECT_NE(ev[0].what.find("dancer A bottom switch on (loop 300."), std::string::npos) << ev[0].what;
    EXPECT_NE(ev[1].what.find("dancer B top switch on (loop 100."), std::string::npos) << ev[1].what;
    EXPECT_NEAR(double(ev[0].us), double(ev[1].us), 1.0); // both 100 mm into the feed
    // Back again: both dancers leave their switches.
    feed(-150);
    EXPECT_NEAR(loop(A), 170, 0.05);
    EXPECT_NEAR(loop(B), 230, 0.05);
    EXPECT_EQ(selector(kDancerA), 0);
    EXPECT_EQ(selector(kDancerB), 0);
    EXPECT_EQ(count(events(), "switch off"), 2u);
}

TEST_F(TakeupModel, MotorAWindsOrPaysOutAsItsDirectionSwitchSays) {
    const double speed = m->config().takeup.motorMMs[A];
    ASSERT_EQ(m->takeupState().roll[A].direction, 2u); // the machine's power-on position
    out(4, true);
    EXPECT_EQ(m->takeupState().roll[A].motor, +1);
    platform::sleepMs(1000);
    out(4, false);
    const double wound = speed * seconds(at("motor A winds"), at("motor A stops"));
    EXPECT_GT(wound, 0.9 * speed);
    EXPECT_NEAR(loop(A), 200 - wound, 0.01);
    EXPECT_NEAR(loop(B), 200, 1e-9);
    m->setTakeupSwitch(TakeupSwitch::DirectionA, 1);
    out(4, true);
    platform::sleepMs(500);
    out(4, false);
    const double paid = speed * seconds(at("motor A pays out"), at("motor A stops", 1));
    EXPECT_NEAR(loop(A), 200 - wound + paid, 0.01);
    m->setTakeupSwitch(TakeupSwitch::DirectionA, 0); // circuit open: the run line does nothing
    out(4, true);
    platform::sleepMs(500);
    EXPECT_EQ(m->takeupState().roll[A].motor, 0);
    EXPECT_NEAR(loop(A), 200 - wound + paid, 0.01);
    const auto ev = events();
    ASSERT_GE(ev.size(), 5u);
    EXPECT_EQ(ev[0], "motor A winds");
    EXPECT_EQ(ev[1], "motor A stops");
    EXPECT_EQ(ev[2], "direction switch A at 1");
    EXPECT_EQ(ev[3], "motor A pays out");
}

TEST_F(TakeupModel, MotorBTurnsByLineAndTheSupplyRollSense) {
    const double speed = m->config().takeup.motorMMs[B];
    ASSERT_EQ(m->takeupState().roll[B].direction, 1u);
    // Direction B at 1: the P4.1 sense pays out.
    out(1, true);
    EXPECT_EQ(m->takeupState().roll[B].motor, -1);
    platform::sleepMs(1000);
    out(1, false);
    const double paid = speed * seconds(at("motor B pays out"), at("motor B stops"));
    EXPECT_NEAR(loop(B), 200 + paid, 0.01);
    out(2, true);
    EXPECT_EQ(m->takeupState().roll[B].motor, +1);
    platform::sleepMs(500);
    // Both lines: the motor is held.
    out(1, true);
    EXPECT_EQ(m->takeupState().roll[B].motor, 0);
    const double held = loop(B);
    platform::sleepMs(500);
    EXPECT_NEAR(loop(B), held, 1e-9);
    const double wound = speed * seconds(at("motor B winds"), at("motor B stops", 1));
    EXPECT_NEAR(held, 200 + paid - wound, 0.01);
    out(1, false);
    out(2, false);
    // The roll wound the other way round (direction B at 2): P4.2 pays out.
    m->setTakeupSwitch(TakeupSwitch::DirectionB, 2);
    out(2, true);
    EXPECT_EQ(m->takeupState().roll[B].motor, -1);
    out(2, false);
    EXPECT_EQ(count(events(), "motor B held: both lines on"), 1u);
    EXPECT_NEAR(loop(A), 200, 1e-9); // motor B has nothing to do with loop A
}

TEST_F(TakeupModel, LoopsEndTautOrFullAndStayThere) {
    out(4, true); // motor A winds 40 mm/s: taut after 5 s
    platform::sleepMs(6000);
    EXPECT_EQ(loop(A), 0);
    EXPECT_TRUE(m->takeupState().roll[A].top);
    EXPECT_EQ(selector(kDancerA), 1);
    out(4, false);
    feed(30);
    EXPECT_NEAR(loop(A), 30, 0.05);
    out(1, true); // motor B pays out far beyond the dancer's travel
    platform::sleepMs(6000);
    out(1, false);
    EXPECT_EQ(loop(B), 400);
    EXPECT_EQ(selector(kDancerB), 2);
    const auto ev = events();
    EXPECT_EQ(count(ev, "loop A taut"), 1u);
    EXPECT_EQ(count(ev, "loop B full"), 1u);
    // The order of one winding: bottom switch untouched, top switch, then taut.
    const auto top = std::find(ev.begin(), ev.end(), "loop A taut: the media pulls on its roll");
    ASSERT_NE(top, ev.end());
    EXPECT_NE(std::find_if(ev.begin(), top, [](const std::string& s) { return s.find("dancer A top switch on") == 0; }),
              top);
}

TEST_F(TakeupModel, TheEmergencyStopCutsTheRollMotors) {
    out(4, true);
    platform::sleepMs(500);
    m->pressEmergencyStop(true);
    EXPECT_EQ(m->takeupState().roll[A].motor, 0);
    const double stopped = loop(A);
    platform::sleepMs(1000);
    EXPECT_NEAR(loop(A), stopped, 1e-9);
    EXPECT_NEAR(stopped, 200 - 40 * seconds(at("motor A winds"), at("motor A stops (no power)")), 0.01);
    m->pressEmergencyStop(false); // the run line is still on: it turns again
    EXPECT_EQ(m->takeupState().roll[A].motor, +1);
    platform::sleepMs(500);
    EXPECT_LT(loop(A), stopped - 15);
}

TEST_F(TakeupModel, SwitchesAndDancersReadOnTheirLines) {
    struct Sel {
        TakeupSwitch s;
        unsigned pair;
    };
    const Sel sels[] = {{TakeupSwitch::ManualA, kManualA},
                        {TakeupSwitch::DirectionA, kDirectionA},
                        {TakeupSwitch::ManualB, kManualB},
                        {TakeupSwitch::DirectionB, kDirectionB}};
    for (const auto& s : sels)
        for (unsigned pos : {1u, 2u, 0u}) {
            m->setTakeupSwitch(s.s, pos);
            EXPECT_EQ(selector(s.pair), int(pos)) << "selector " << s.pair;
        }
    // The manual push switches read through inverted lines (get 13 = P1.5, get 15 = P1.6).
    EXPECT_EQ(line(1, 5), 1u);
    m->setTakeupSwitch(TakeupSwitch::Switch1, 1);
    EXPECT_EQ(line(1, 5), 0u);
    EXPECT_EQ(line(1, 6), 1u);
    m->setTakeupSwitch(TakeupSwitch::Switch2, 1);
    EXPECT_EQ(line(1, 6), 0u);
    m->setTakeupSwitch(TakeupSwitch::Switch1, 0);
    EXPECT_EQ(line(1, 5), 1u);
    // Dancers as threaded.
    m->setTakeupLoop(A, 50);
    m->setTakeupLoop(B, 350);
    EXPECT_EQ(selector(kDancerA), 1);
    EXPECT_EQ(selector(kDancerB), 2);
    m->setTakeupLoop(A, 100); // at the switch: closed
    EXPECT_EQ(selector(kDancerA), 1);
    m->setTakeupLoop(A, 104.5); // it opens only past its hysteresis (5 mm)
    EXPECT_EQ(selector(kDancerA), 1);
    m->setTakeupLoop(A, 105.5);
    EXPECT_EQ(selector(kDancerA), 0);
    m->setTakeupLoop(A, 100.5); // and closes at its point again
    EXPECT_EQ(selector(kDancerA), 0);
    // The sensor lines the selectors share: sensor 9 (P0.7, inverted) reads active with direction A at 2.
    m->setTakeupSwitch(TakeupSwitch::DirectionA, 2);
    EXPECT_EQ(line(0, 7), 0u);
    // The lines the take-up leaves alone.
    EXPECT_EQ(line(1, 0), 1u);
    EXPECT_EQ(line(1, 7), 0u);
    m->pressEmergencyStop(true);
    EXPECT_EQ(line(1, 7), 1u);
}

TEST_F(TakeupModel, WithoutTheTakeupTheLinesKeepTheWiperAndSlowZone) {
    fit(false);
    m->setTakeupLoop(A, 350);
    m->setTakeupSwitch(TakeupSwitch::DirectionB, 2);
    // Wiper in: P1.3 low, P1.2 high, whatever the dancers do.
    EXPECT_EQ(line(1, 2), 1u);
    EXPECT_EQ(line(1, 3), 0u);
    EXPECT_EQ(line(0, 3), 1u);
    EXPECT_EQ(line(0, 0), 1u); // carriage mid-travel: out of the slow zone
    // A single line may still be wired to the model.
    m->setDioInput(1, 3, "dancer-a-bottom-n");
    EXPECT_EQ(line(1, 3), 0u);
    m->setTakeupLoop(A, 200);
    EXPECT_EQ(line(1, 3), 1u);
}

TEST_F(TakeupModel, MachineFileKeys) {
    sim::MachineConfig cfg;
    std::string error;
    ASSERT_TRUE(sim::parseMachineText("[Takeup]\nFitted = 1\nLoopMM = 500\nTopMM = 50\nBottomMM = 450\n"
                                      "StartAMM = 60\nStartBMM = 440\nMotorAMMs = 25\nMotorBMMs = 35\nHysteresisMM = 2\n"
                                      "DirectionA = 1\nDirectionB = 0\n[DioInputs]\nP1.3 = wiper-in-n\n",
                                      cfg, &error))
        << error;
    const auto& t = cfg.takeup;
    EXPECT_TRUE(t.fitted);
    EXPECT_EQ(t.loopMM, 500);
    EXPECT_EQ(t.topMM, 50);
    EXPECT_EQ(t.bottomMM, 450);
    EXPECT_EQ(t.hysteresisMM, 2);
    EXPECT_EQ(t.startMM[0], 60);
    EXPECT_EQ(t.startMM[1], 440);
    EXPECT_EQ(t.motorMMs[0], 25);
    EXPECT_EQ(t.motorMMs[1], 35);
    EXPECT_EQ(t.direction[0], 1u);
    EXPECT_EQ(t.direction[1], 0u);
    EXPECT_EQ(cfg.dioInputs[8 + 2], "dancer-b-top-n");
    EXPECT_EQ(cfg.dioInputs[8 + 3], "wiper-in-n"); // named after the fitting: kept
    EXPECT_EQ(cfg.dioInputs[0], "manual-b-1n");
    EXPECT_EQ(cfg.dioInputs[8 + 7], "estop");
    sim::MachineConfig again;
    ASSERT_TRUE(sim::parseMachineText(sim::machineText(cfg), again, &error)) << error;
    EXPECT_EQ(sim::machineText(again), sim::machineText(cfg));
    // The model starts as configured.
    m = sim::newMachine(cfg);
    const auto s = m->takeupState();
    EXPECT_EQ(s.roll[A].loopMM, 60);
    EXPECT_EQ(s.roll[B].loopMM, 440);
    EXPECT_FALSE(s.roll[A].top); // 60 > 50
    EXPECT_FALSE(s.roll[B].bottom);
    EXPECT_EQ(s.roll[A].direction, 1u);
    // Unfitting puts the default machine's lines back.
    ASSERT_TRUE(sim::parseMachineText("[Takeup]\nFitted = 0\n", cfg, &error)) << error;
    EXPECT_EQ(cfg.dioInputs, sim::MachineConfig{}.dioInputs);

    for (const char* bad : {"[Takeup]\nTopMM = 300\nBottomMM = 300\n", "[Takeup]\nBottomMM = 700\n",
                            "[Takeup]\nDirectionA = 3\n", "[Takeup]\nFitted = 2\n", "[Takeup]\nMotorBMMs = -1\n",
                            "[Takeup]\nStartAMM = 601\n", "[Takeup]\nLoopMM = 0\n", "[Takeup]\nHysteresisMM = -1\n", "[DioInputs]\nP1.3 = dancer-c-top-n\n"}) {
        sim::MachineConfig c;
        EXPECT_FALSE(sim::parseMachineText(bad, c, &error)) << bad;
    }
}

TEST_F(TakeupModel, TheSameAtAnyTimeScale) {
    // One feed, two clocks: the dancer switch closes at the same moment of the move.
    auto run = [this](unsigned scale) {
        platform::setTimeScale(scale);
        fit(true);
        feed(150);
        uint64_t start = 0, closed = 0;
        for (const auto& e : m->events())
            if (e.kind == "move" && e.what.rfind("Y start", 0) == 0) start = e.us;
            else if (e.kind == "takeup" && e.what.rfind("dancer A bottom switch on", 0) == 0) closed = e.us;
        EXPECT_GT(closed, start);
        return closed - start;
    };
    const uint64_t slow = run(20), fast = run(500);
    EXPECT_NEAR(double(slow), double(fast), 2000.0); // within one integration step
    EXPECT_NEAR(loop(A), 350, 0.05);
}

} // namespace

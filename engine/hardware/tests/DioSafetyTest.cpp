// The emergency stop: the latched check of the motion waits and the take-up thread, and the
// switch reading of the operator's status displays.
#include <algorithm>

#include "DioTestSupport.h"
#include "hardware/CardIo.h"

using hwtest::IoTest;
using namespace hw;

namespace {

size_t indexOf(const std::vector<std::string>& v, const std::string& prefix, size_t from = 0) {
    for (size_t i = from; i < v.size(); ++i)
        if (v[i].rfind(prefix, 0) == 0) return i;
    return v.size();
}

TEST_F(IoTest, EmergencyStopSequenceInTheMachineLog) {
    useIoCard();
    // Devices running before the stop.
    drv_->AUXDIOSet(DIO_SET_MOTOR_A, 1);
    drv_->AUXDIOSet(DIO_SET_MOTOR_B_1, 1);
    drv_->AUXDIOSet(DIO_SET_PUMP_COMMON, 1);
    drv_->AUXDIOSet(DIO_SET_MANUAL_OUTPUT_1, 1);
    drv_->AUXDIOSet(DIO_SET_MANUAL_OUTPUT_2, 1);
    drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 1);
    drv_->SetToolBarButtons(1);
    ASSERT_EQ(drv_->AUXDIOSensor(10), 0); // not pressed: nothing happens
    EXPECT_EQ(drv_->bEmergencyStop.load(), 0u);
    EXPECT_EQ(drv_->bStop.load(), 1u);

    machine_->clearEvents();
    machine_->pressEmergencyStop(true);
    ASSERT_EQ(drv_->AUXDIOSensor(10), 1);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_EQ(drv_->bStop.load() + drv_->bStopSeen.load() + drv_->bPause.load() + drv_->bPauseSeen.load(), 0u);
    EXPECT_STREQ(drv_->csPrintStep.get(), "EMG STOP!");

    auto events = machine_->events("dio");
    std::vector<std::string> what;
    for (const auto& e : events) what.push_back(e.what);
    const size_t emg = indexOf(what, "P4.0 on");
    ASSERT_LT(emg, what.size());
    const size_t motorA = indexOf(what, "P4.4 off", emg);
    ASSERT_LT(motorA, what.size());
    EXPECT_GE(events[motorA].us - events[emg].us, 500000u); // the emergency output leads by 500 ms
    // Then motor B, the manual outputs, the pump line, and the wiper retracted.
    size_t at = motorA;
    for (const char* next : {"P4.1 off", "P5.3 off", "P5.4 off", "P5.1 off", "P4.7 off"}) {
        const size_t i = indexOf(what, next, at);
        ASSERT_LT(i, what.size()) << next;
        at = i;
    }
    // Three beeps of a second each, after everything else.
    std::vector<uint64_t> beeps;
    for (size_t i = at; i < what.size(); ++i)
        if (what[i].rfind("P4.5", 0) == 0) beeps.push_back(events[i].us);
    ASSERT_EQ(beeps.size(), 6u);
    for (size_t i = 1; i < beeps.size(); ++i) EXPECT_GE(beeps[i] - beeps[i - 1], 1000000u);
    EXPECT_EQ(machine_->dioOutput(4) & 0x7Fu, 0x41u); // emergency output and wiper enable stay on
    EXPECT_DOUBLE_EQ(machine_->wiperPosition(), 0.0);
}

TEST_F(IoTest, EmergencyStopStopsAMovingCarriage) {
    useIoCard();
    // Let the button only flag the stop: the engine must stop the motion itself.
    auto cfg = machine_->config();
    cfg.estopStopsMotors = false;
    machine_ = sim::newMachine(cfg);
    drv_->AUXOpenDIO();
    ASSERT_TRUE(CDIOCard::IsOpen());
    // A long generation-0 move to the right.
    writeDsp(DSP_X_SPEED, 100);
    writeDsp(DSP_X_DISTANCE_HIGH, 0);
    writeDsp(DSP_X_DISTANCE_LOW, 60000);
    writeDsp(DSP_COMMAND, DSP_START_X);
    interruptPulse();
    platform::sleepMs(50);
    ASSERT_TRUE(machine_->xMoving());
    machine_->pressEmergencyStop(true);
    ASSERT_EQ(drv_->AUXDIOSensor(10), 1);
    platform::sleepMs(500);
    EXPECT_FALSE(machine_->xMoving());
}

TEST_F(IoTest, EmergencyCheckWithoutTheIoCardReadsTheCardsInput) {
    // Without the I/O card the button is read on the print-controller card (REG_INPUT bit 4): a
    // machine without the I/O card stops too, and touches no I/O output.
    EXPECT_EQ(drv_->AUXDIOSensor(10), 0);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 0u);
    machine_->pressEmergencyStop(true);
    machine_->clearEvents();
    EXPECT_EQ(drv_->AUXDIOSensor(10), 1);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_STREQ(drv_->csPrintStep.get(), "EMG STOP!");
    EXPECT_TRUE(dioEvents().empty());
}

TEST_F(IoTest, EmergencyCheckWithOtherIoCardModes) {
    machine_->pressEmergencyStop(true);
    // Any other value of bUseDIOCard reads the input but leaves the I/O outputs alone.
    useIoCard();
    drv_->bUseDIOCard = 2;
    machine_->clearEvents();
    EXPECT_EQ(drv_->AUXDIOSensor(10), 1);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 1u);
    EXPECT_EQ(indexOf(dioEvents(), "P4.0 on"), dioEvents().size());
}

TEST_F(IoTest, EmergencySwitchWithoutIoCardRejectsShortPresses) {
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 0);
    machine_->pressEmergencyStop(true);
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 1);
    // Released within 100 ms: one of the three reads sees it.
    for (uint64_t holdUs : {30000u, 70000u}) {
        machine_->pressEmergencyStop(true);
        machine_->scheduleEmergencyStopAt(false, holdUs);
        EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 0) << holdUs;
    }
    // Pressed a moment after the first read: not three in a row either.
    machine_->pressEmergencyStop(false);
    machine_->scheduleEmergencyStopAt(true, 20000);
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 0);
    // The check looks at the switch only: nothing is latched.
    EXPECT_EQ(drv_->bEmergencyStop.load(), 0u);
}

TEST_F(IoTest, EmergencySwitchWithIoCardIsTheConfirmedInput) {
    useIoCard();
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 0);
    machine_->pressEmergencyStop(true);
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 1);
    EXPECT_EQ(drv_->bEmergencyStop.load(), 0u);
}

TEST_F(IoTest, BuzzerOnlyWithTheIoCard) {
    drv_->AUXSetAlarmSound(2, 50);
    EXPECT_EQ(indexOf(dioEvents(), "P4.5"), dioEvents().size());
    useIoCard();
    machine_->clearEvents();
    const uint64_t t0 = platform::nowUs();
    drv_->AUXSetAlarmSound(2, 50);
    EXPECT_GE(platform::nowUs() - t0, 200000u);
    auto w = dioEvents();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].rfind("P4.5 on", 0), 0u);
    EXPECT_EQ(w[1].rfind("P4.5 off", 0), 0u);
}

} // namespace

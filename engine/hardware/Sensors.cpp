// The I/O card's operations on the engine, its sensors, the switches read through the card's
// input register, and the emergency stop.
#include <array>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "hardware/DioFunctions.h"
#include "platform/Clock.h"
#include "platform/Log.h"

using namespace hw;

namespace {

// The input function of sensors 1..9.
constexpr std::array<int, 9> kSensorFuncs = {17, 18, 19, 20, 23, 21, 22, 24, 25};
constexpr unsigned kEmergencySensor = 10;
constexpr unsigned kEmergencyOutputHoldMs = 500;
constexpr unsigned kEmgSwitchReads = 3, kEmgSwitchGapMs = 50;
constexpr unsigned kEmergencyBeeps = 3, kEmergencyBeepMs = 1000;

} // namespace

int CDrvPrint::AUXOpenDIO() { return dioCard.Open(csBaseDir); }

int CDrvPrint::AUXCloseDIO() {
    dioCard.Close();
    return 1;
}

int CDrvPrint::AUXDIOGet(DIOGetFuncs func) { return dioGet(dioCard, func); }

int CDrvPrint::AUXDIOSet(DIOSetFuncs func, int state) {
    dioSet(dioCard, func, state);
    return state;
}

int CDrvPrint::AUXDIOGetCounter(unsigned counter) {
    const unsigned address = unsigned(CDIOCard::BaseAddress()) + 24 + counter;
    const int low = dioCard.ReadByte(address);
    const int high = dioCard.ReadByte(address);
    return low + 256 * high;
}

int CDrvPrint::AUXDIOGetSelector(unsigned index) { return dioSelector(dioCard, index); }

int CDrvPrint::AUXDIOSensor(unsigned sensor) {
    if (sensor >= 1 && sensor <= kSensorFuncs.size()) return dioGet(dioCard, kSensorFuncs[sensor - 1]);
    if (sensor != kEmergencySensor) return 0;

    // Without the I/O card the button is wired to the print-controller card's own input: a
    // machine without the I/O card must stop too, never go on "printing" with its axes halted.
    if (bUseDIOCard ? !dioGet(dioCard, DIO_GET_EMERGENCY) : !AUXCheckEMGSwitch()) return 0;
    MOVStopMove();
    bEmergencyStop = 1;
    SetToolBarButtons(0);
    platform::log(platform::LogLevel::Warn, "emergency stop");
    if (bUseDIOCard == 1) {
        dioSet(dioCard, DIO_SET_EMERGENCY, 1);
        platform::sleepMs(kEmergencyOutputHoldMs);
        // Both roll motors off.
        dioSet(dioCard, DIO_SET_MOTOR_A, 0);
        dioSet(dioCard, DIO_SET_MOTOR_B_2, 0);
        dioSet(dioCard, DIO_SET_MOTOR_B_1, 0);
        dioSet(dioCard, DIO_SET_MANUAL_OUTPUT_1, 0);
        dioSet(dioCard, DIO_SET_MANUAL_OUTPUT_2, 0);
        dioSet(dioCard, DIO_SET_PUMP_COMMON, 0);
        dioSet(dioCard, DIO_SET_WIPER_ENABLE, 1);
        dioSet(dioCard, DIO_SET_WIPER_POSITION, 0);
    }
    csPrintStep = tags::EMG;
    AUXSetAlarmSound(kEmergencyBeeps, kEmergencyBeepMs);
    return 1;
}

int CDrvPrint::AUXCheckEMGSwitch() {
    if (bUseDIOCard) return dioGet(dioCard, DIO_GET_EMERGENCY);
    // Without the I/O card the button must hold for three reads: a short press is not a stop.
    for (unsigned i = 0; i < kEmgSwitchReads; ++i) {
        if (i) platform::sleepMs(kEmgSwitchGapMs);
        if (readBit(REG_INPUT, kInEmergency) != 1) return 0;
    }
    return 1;
}

int CDrvPrint::AUXCheckMediaSensor() { return readBit(REG_INPUT, kInMedia); }

int CDrvPrint::AUXCheckHomeYSwitch() { return readBit(REG_INPUT, kInYHome); }

// Stand-in until the motion code is linked in: the engine's motion operations give the real one
// (a strong definition replaces this). Stops both axes on either card generation.
__attribute__((weak)) void CDrvPrint::MOVStopMove() {
    writeDsp(DSP_COMMAND, DSP_STOP_X);
    writeDsp(DSP_COMMAND, DSP_STOP_Y);
    updateBits(REG_MOTION, (1u << kMotXRun) | (1u << kMotYRun), 0);
    platform::sleepMs(1);
    interruptPulse();
}

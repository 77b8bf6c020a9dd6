// Axis moves of the print thread on the card's DSP motion registers.
#include "core/PrintThreadAxes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "platform/Clock.h"

using namespace hw;

namespace printaxes {

namespace {

constexpr uint64_t kAxisWaitLimitMs = 600000; // ten minutes of machine time

bool xBusy() { return (readDsp(DSP_STATUS) & 0x1) != 0; }
bool yBusy() { return (readDsp(DSP_STATUS) & 0x10) != 0; }

unsigned speedValue(const CDrvPrint& d, unsigned index) {
    const unsigned i = std::min(index, 4u);
    unsigned s = d.UI_DPIRate(0, unsigned(std::max(0, d.XSpeedPause[i])));
    return std::min(s, unsigned(std::max(0, d.XSpeedPause[4])));
}

void setOutputBit(unsigned bit, int value) {
    const int32_t r = readRegister(REG_OUTPUT);
    if (r < 0) return;
    uint32_t v = uint32_t(r);
    v = value ? (v | (1u << bit)) : (v & ~(1u << bit));
    writeRegister(REG_OUTPUT, v);
}

} // namespace

void MOVMoveX(CDrvPrint& d, int direction, unsigned speed, int32_t distance, int wait) {
    if (d.bEmergencyStop) return;
    int dir = d.bReverseMoveX ? direction : !direction;
    if (distance < 0) {
        dir = !dir;
        distance = -distance;
    }
    setOutputBit(kOutXDirection, dir);
    platform::sleepMs(10);
    const uint32_t pulses = uint32_t(std::trunc(double(d.fXStepToMM) * distance));
    writeDsp(DSP_X_DISTANCE_HIGH, (pulses >> 16) & 0xFFFF);
    writeDsp(DSP_X_DISTANCE_LOW, pulses & 0xFFFF);
    writeDsp(DSP_X_SPEED, speedValue(d, speed));
    writeDsp(DSP_COMMAND, DSP_START_X);
    interruptPulse();
    platform::sleepMs(20);
    if (wait) MOVWaitUntilXStop(d, 0);
}

void MOVMoveY(CDrvPrint& d, int direction, unsigned speed, int32_t distance, int wait) {
    if (d.bEmergencyStop || distance == 0) return;
    const int dirBase = d.bReverseMoveY ? direction : !direction;
    double pulses;
    if (d.bStop) {
        pulses = double(distance) * d.fYStepToMM;
    } else {
        // A print feed: the step offset of the pass mode, and the interleave step of the pass.
        const double n = double(d.uiStepOffsetSize) + 1.0;
        const double off = d.headAlignment.StepOffset[std::min(d.uiPassCode, 7u)];
        const double sub = d.uiInterlace ? double(d.uiNextSubLineStep) / double(d.uiInterlace) : 0.0;
        pulses = (off + n * double(distance) + d.iFeedCorrection) * d.fYStepToMM / n + sub * d.fYStepToMM * 4.0;
    }
    const int dir = pulses < 0 ? !dirBase : dirBase;
    setOutputBit(kOutYDirection, dir);
    const uint32_t p = uint32_t(std::trunc(std::fabs(pulses)));
    if (p == 0) return;
    writeDsp(DSP_Y_DISTANCE_HIGH, (p >> 16) & 0xFFFF);
    writeDsp(DSP_Y_DISTANCE_LOW, p & 0xFFFF);
    writeDsp(DSP_Y_SPEED, uint32_t(std::max(0, d.YSpeedPause[std::min(speed, 4u)])));
    writeDsp(DSP_COMMAND, DSP_START_Y);
    interruptPulse();
    if (wait) MOVWaitUntilYStop(d);
}

int MOVWaitUntilXStop(CDrvPrint& d, int correct) {
    platform::sleepMs(1);
    const uint64_t t0 = platform::tickMs();
    for (unsigned polls = 0; xBusy() && !d.bTestMode; ++polls) {
        if (d.AUXDIOSensor(10)) return 0;
        if (platform::tickMs() - t0 > kAxisWaitLimitMs) return 0;
        if (polls % 10 == 9) platform::sleepMs(1);
    }
    if (correct == 1) MOVCorrectMovement(d, 0);
    return 1;
}

int MOVWaitUntilYStop(CDrvPrint& d) {
    platform::sleepMs(1);
    const uint64_t t0 = platform::tickMs();
    for (unsigned polls = 0; yBusy() && !d.bTestMode; ++polls) {
        if (d.AUXDIOSensor(10)) return 0;
        if (platform::tickMs() - t0 > kAxisWaitLimitMs) return 0;
        if (polls % 10 == 9) platform::sleepMs(1);
    }
    return 1;
}

int MOVCorrectMovement(CDrvPrint&, int correct) {
    // Repositioning after a carriage that stopped short needs the measured position loop of the
    // motion operations; the pass loop only records that it happened.
    return correct ? 0 : 102;
}

void MOVSetParamsMovement(CDrvPrint& d) {
    writeDsp(DSP_X_ACC_TIME, uint32_t(std::max(0, d.iXAccTime)));
}

int MOVCheckIfMoveX(CDrvPrint& d) {
    platform::sleepMs(1);
    if (!xBusy()) return 0;
    int bit = (readRegister(REG_OUTPUT) & 1) != 0;
    if (d.bReverseMoveX) bit = !bit;
    return bit == 0 ? 2 : 1;
}

unsigned MOVGetXPosition(CDrvPrint& d) { return d.UI_DPIRate(0, readPosition(REG_X_ENCODER)); }

void PRNSetPosition(CDrvPrint& d, unsigned target, unsigned speed, int wait) {
    const unsigned c = d.uiXTarget;
    if (c > target) MOVMoveX(d, 1, speed, int32_t(c - target), wait);
    else if (c < target) MOVMoveX(d, 0, speed, int32_t(target - c), wait);
    d.uiXTarget = target;
}

} // namespace printaxes

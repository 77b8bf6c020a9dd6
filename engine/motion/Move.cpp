// Starting, steering and stopping the two axes on both card generations.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/DrvPrint.h"
#include "motion/MotionInternal.h"
#include "platform/Clock.h"
#include "platform/Log.h"

using namespace hw;
using platform::sleepMs;

namespace {

// Motor pulses of a distance, held to the 32 bits the card takes.
uint32_t motorPulses(double pulses) {
    if (!(pulses > 0)) return 0;
    if (pulses >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(pulses);
}

// Direction bit of a requested direction: passed through unless the axis is reversed (setting 0).
unsigned directionBit(int reverseSetting, int direction) {
    const unsigned d = direction ? 1u : 0u;
    return reverseSetting ? d : d ^ 1u;
}

// Rounds a non-negative value by adding 0.5 and truncating.
double roundHalfUp(double v) { return std::floor(v + 0.5); }

// Generation 1 speed word: bits 8-15 of REG_MOTION and bits 0-5 of REG_MOTION_2 (6-7 cleared).
// False when either register could not be changed (a failed read writes nothing).
bool writeCardSpeed(uint32_t s, uint32_t waitMs) {
    const bool low = updateBits(REG_MOTION, 0x0000FF00u, (s & 0xFFu) << 8);
    if (waitMs) sleepMs(waitMs);
    const bool high = low && updateBits(REG_MOTION_2, 0xFFu, (s >> 8) & 0x3Fu);
    if (waitMs) sleepMs(waitMs);
    return low && high;
}

void moveNotStarted(const char* axis) {
    platform::logf(platform::LogLevel::Error, "%s move not started: a card call failed", axis);
}

} // namespace

void CDrvPrint::MOVGenerateInterrupt() { interruptPulse(); }

void CDrvPrint::MOVMoveX(int direction, int speed, int distance, int wait) {
    if (bEmergencyStop || bMachineWorkStop) return;
    if (bUseDIOCard == 1) {
        // Pump line off, wiper enabled and retracted before the carriage leaves.
        AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
        AUXDIOSet(DIO_SET_WIPER_ENABLE, 1);
        AUXDIOSet(DIO_SET_WIPER_POSITION, 0);
    }
    if (bCLNBoard == 1) AUXCLNSet(12, 0); // the cleaning station goes down
    if (static_cast<unsigned>(iXEncoderInitial) == uiXTarget) sleepMs(500);
    if (motion::stopRequested(*this) || motion::pauseRequested(*this)) motion::setFlash(*this, 0);

    unsigned d = directionBit(bReverseMoveX, direction);
    int64_t dist = distance;
    if (dist < 0) {
        d ^= 1u;
        dist = -dist;
    }
    // The direction line is written twice with settling time around it. Only bit 0 is touched,
    // under the output lock: writing back a word read 10 ms earlier would undo what another thread
    // (take-up, wiper, UV lamps) switched meanwhile. A line set ahead (MOVPresetXDirection) to
    // this direction has been settling since: only what is left of the settling time is waited.
    // The line holds the direction when either write took: a write whose read failed changed
    // nothing. With neither, the carriage would run whichever way the line points: no start.
    const uint64_t since = uiXDirectionSetUs;
    bool ok;
    if (since != 0 && unsigned(readBit(REG_OUTPUT, kOutXDirection)) == d) {
        const uint64_t held = platform::nowUs() - since, settle = uint64_t(kXDirectionSettleMs) * 1000;
        if (held < settle) platform::sleepUs(settle - held);
        ok = setBit(REG_OUTPUT, kOutXDirection, d != 0);
        ok = setBit(REG_OUTPUT, kOutXDirection, d != 0) || ok;
    } else {
        sleepMs(10);
        uiXDirectionSetUs = std::max<uint64_t>(platform::nowUs(), 1);
        ok = setBit(REG_OUTPUT, kOutXDirection, d != 0);
        sleepMs(10);
        ok = setBit(REG_OUTPUT, kOutXDirection, d != 0) || ok;
        sleepMs(10);
    }

    const uint32_t pulses = motorPulses(std::trunc(double(fXStepToMM) * double(dist)));
    const int limit = XSpeedPause[4];
    if (uiPcicardMode == 0) {
        ok = writeDsp(DSP_X_DISTANCE_HIGH, (pulses >> 16) & 0xFFFFu) && ok;
        sleepMs(1);
        ok = writeDsp(DSP_X_DISTANCE_LOW, pulses & 0xFFFFu) && ok;
        sleepMs(1);
        // The table holds speeds at the native resolution; a job at another resolution runs the
        // carriage at the same dot rate. Entry 4 is the fastest the machine may go.
        const int entry = motion::speedEntry(XSpeedPause, speed);
        uint32_t s = UI_DPIRate(0, entry > 0 ? static_cast<unsigned>(entry) : 0u);
        if (limit >= 0 && s > static_cast<uint32_t>(limit)) s = static_cast<uint32_t>(limit);
        ok = writeDsp(DSP_X_SPEED, s) && ok;
        sleepMs(10);
        if (ok) writeDsp(DSP_COMMAND, DSP_START_X);
        else moveNotStarted("X");
    } else {
        ok = setBit(REG_MOTION, kMotXRun, false) && ok;
        sleepMs(1);
        ok = writeRegister(REG_X_DISTANCE, pulses) && ok;
        sleepMs(1);
        // The card takes a clock divider: the motor clock over the pulse period of the speed,
        // stretched by the resolution rate. A larger divider is slower, so entry 4 is the least.
        const int entry = motion::speedEntry(XSpeedPause, speed);
        const double rate = fXMotorRate;
        double t = entry > 0 ? roundHalfUp(F_DPIRate(0, static_cast<float>(rate / entry))) : 0.0;
        if (!(t >= 1.0)) t = 1.0; // a period below one clock is the fastest the clock gives
        double s = roundHalfUp(rate / t);
        if (!(s >= double(limit))) s = double(limit);
        if (s > 0x3FFF) s = 0x3FFF; // the speed word has 14 bits
        if (s < 0) s = 0;
        ok = writeCardSpeed(static_cast<uint32_t>(s), 2) && ok;
        if (ok) setBit(REG_MOTION, kMotXRun, true);
        else moveNotStarted("X");
        sleepMs(2);
    }
    MOVGenerateInterrupt();
    sleepMs(20);
    if (wait) MOVWaitUntilXStop(0);
}

int CDrvPrint::MOVPresetXDirection(int direction) {
    if (bEmergencyStop || bMachineWorkStop || motion::xBusy(*this)) return 0;
    const unsigned d = directionBit(bReverseMoveX, direction);
    if (unsigned(readBit(REG_OUTPUT, kOutXDirection)) != d || uiXDirectionSetUs == 0) {
        uiXDirectionSetUs = std::max<uint64_t>(platform::nowUs(), 1);
        setBit(REG_OUTPUT, kOutXDirection, d != 0);
    }
    return 1;
}

void CDrvPrint::MOVMoveY(int direction, int speed, int distance, int wait) {
    if (bEmergencyStop || bMachineWorkStop || distance == 0) return;
    unsigned d = directionBit(bReverseMoveY, direction);
    int64_t dist = distance;
    bool forward = direction == 0; // the way a print feed moves the media
    if (dist < 0) {
        d ^= 1u;
        dist = -dist;
        forward = !forward;
    }

    double p;
    if (motion::stopRequested(*this)) {
        p = std::trunc(double(dist) * double(fYStepToMM));
    } else {
        // A print feed, in 1/n Y step: the pass mode's fine offset, the feed and the alignment
        // correction, plus the interleave step in lines. Signed throughout: the interleave step is
        // negative when the feed steps back inside the interlace, and a step smaller than the
        // interlace still moves its fraction of a line.
        const double n = double(uiStepOffsetSize) + 1.0;
        const double offset = headAlignment.StepOffset[std::min(uiPassCode, 7u)];
        const double interlace = uiInterlace ? double(uiInterlace) : 1.0;
        const double y = double(fYStepToMM);
        p = std::trunc((offset + n * double(dist) + double(iFeedCorrection)) * y / n +
                       (double(uiNextSubLineStep) / interlace) * y * 4.0);
        if (p < 0) { // the corrections outweigh the feed: the media goes the other way
            d ^= 1u;
            p = -p;
            forward = !forward;
        }
        uiLastYFeed = motorPulses(p);
    }
    const uint32_t pulses = motorPulses(p);
    // Every write must take before the start: a wrong direction, distance or speed moves media.
    bool ok = setBit(REG_OUTPUT, kOutYDirection, d != 0);

    const uint32_t ys = static_cast<uint32_t>(motion::speedEntry(YSpeedPause, speed));
    if (uiPcicardMode == 0) {
        ok = ok && writeDsp(DSP_Y_DISTANCE_HIGH, (pulses >> 16) & 0xFFFFu);
        ok = ok && writeDsp(DSP_Y_DISTANCE_LOW, pulses & 0xFFFFu);
        ok = ok && writeDsp(DSP_Y_SPEED, ys);
        if (ok) writeDsp(DSP_COMMAND, DSP_START_Y);
    } else {
        ok = ok && setBit(REG_MOTION, kMotYRun, false);
        ok = ok && writeRegister(REG_Y_DISTANCE, pulses);
        ok = ok && updateBits(REG_MOTION, 0xFF000000u, (ys & 0xFFu) << 24);
        if (ok) setBit(REG_MOTION, kMotYRun, true);
    }
    if (!ok) moveNotStarted("Y");
    // The job's media: every move while it runs (a move stopped short still counts in full).
    if (ok && bPrintThreadRunning)
        iJobFeedPulses += forward ? int64_t(pulses) : -int64_t(pulses);
    // Raised only once the axis has its start: the take-up runs its rolls back while Y moves, and
    // a flag seen before the start would find Y still and end that sequence at once.
    if (direction == 1 && ok) bYMoved = 1;
    MOVGenerateInterrupt();
    if (wait) MOVWaitUntilYStop();
}

void CDrvPrint::MOVSetSpeed(int speed) {
    const int entry = motion::speedEntry(XSpeedPause, speed);
    const uint32_t s = entry > 0 ? static_cast<uint32_t>(entry) : 0u;
    if (uiPcicardMode == 0) {
        writeDsp(DSP_X_SPEED, s);
        sleepMs(10);
    } else {
        writeCardSpeed(s, 0);
    }
}

void CDrvPrint::MOVStopMoveX() {
    if (uiPcicardMode == 0) writeDsp(DSP_COMMAND, DSP_STOP_X);
    else setBit(REG_MOTION, kMotXRun, false);
    sleepMs(1);
    MOVGenerateInterrupt();
}

void CDrvPrint::MOVStopMoveY() {
    if (uiPcicardMode == 0) writeDsp(DSP_COMMAND, DSP_STOP_Y);
    else setBit(REG_MOTION, kMotYRun, false);
    sleepMs(1);
    MOVGenerateInterrupt();
}

void CDrvPrint::MOVStopMove() {
    MOVStopMoveX();
    MOVStopMoveY();
}

void CDrvPrint::PRNStopMachineWork() {
    // The flag first: a loop that sees the carriage stop must not start it again.
    bMachineWorkStop = 1;
    MOVStopMove();
}

bool CDrvPrint::PRNWorkSleep(uint32_t ms) {
    constexpr uint32_t kSlice = 20;
    while (ms > 0) {
        if (bMachineWorkStop) return false;
        const uint32_t now = std::min(ms, kSlice);
        sleepMs(now);
        ms -= now;
    }
    return !bMachineWorkStop;
}

void CDrvPrint::MOVSetAccTime(unsigned, unsigned) {
    writeDsp(DSP_X_ACC_TIME, static_cast<uint32_t>(iXAccTime));
    writeDsp(DSP_Y_ACC_TIME, static_cast<uint32_t>(iYAccTime));
    // Bits 8-11 hold the X acceleration time in hundreds of ms; a longer time is held to the
    // field rather than spill into the bits above it.
    const uint32_t units = iXAccTime > 0 ? std::min<uint32_t>(static_cast<uint32_t>(iXAccTime) / 100, 15) : 0;
    rewriteRegister(
        REG_MOTION_2, [](uint32_t m2, uint32_t u) { return (m2 & 0x0FFFF0FFu) + (u << 8); }, units);
}

void CDrvPrint::MOVSetParamsMovement() { MOVSetAccTime(static_cast<unsigned>(iXAccTime), static_cast<unsigned>(iYAccTime)); }

void CDrvPrint::MOVResetXMotor() { setBit(REG_OUTPUT, 9, true); }

void CDrvPrint::MOVResetMotor() {
    setBit(REG_OUTPUT, 9, true);
    sleepMs(200);
    setBit(REG_OUTPUT, 10, true);
}

void CDrvPrint::MOVResetYMotor() {
    MOVMoveY(1, static_cast<int>(uiYSpeed), YMMToPulse(2900), 0);
    // Back until the home switch; a stop of the axis before it (end of the way, emergency stop,
    // no card) ends the homing where it is.
    motion::Deadline limit(kMotionWaitLimitMs);
    for (;;) {
        if (AUXCheckHomeYSwitch()) break;
        if (!MOVCheckIfMoveY()) return;
        if (limit.passed()) {
            ++uiMotionTimeouts;
            MOVStopMoveY();
            return;
        }
    }
    MOVStopMoveY();
    sleepMs(1000);
    MOVMoveY(0, static_cast<int>(uiYSpeed), YMMToPulse(30), 0);
}

void CDrvPrint::MOVSetCarriageSlow(int on) {
    if (on) {
        // The slow mode is enabled only once its speed is selected.
        if (uiCarriageSlowMode == 0) {
            if (setBit(REG_MOTION, kMotSlowSelect, false)) setBit(REG_MOTION, kMotSlowEnable, true);
        } else if (uiCarriageSlowMode == 1) {
            if (setBit(REG_MOTION, kMotSlowSelect, true)) setBit(REG_MOTION, kMotSlowEnable, true);
        }
        return;
    }
    setBit(REG_MOTION, kMotSlowSelect, false);
    setBit(REG_MOTION, kMotSlowEnable, false);
}

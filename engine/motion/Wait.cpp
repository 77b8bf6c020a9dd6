// Waiting for the axes, reading positions and switches, and the closed-loop X correction.
#include <cstdint>
#include <cstdlib>

#include "core/DrvPrint.h"
#include "motion/MotionInternal.h"
#include "platform/Clock.h"
#include "platform/Log.h"

using namespace hw;
using platform::sleepMs;

namespace {

constexpr int32_t kMeasuring = -100000;   // iXPositionError while a correction measures
constexpr int32_t kInPlace = 100;         // steps: close enough
constexpr int32_t kBeyondReach = 50000;   // steps: an error this large is not a slip to correct
constexpr unsigned kSettleReads = 10;     // extra position reads while the carriage settles
constexpr uint32_t kLimitSwitchWaitMs = 2000;

// Polls a limit switch until it clears, for at most kLimitSwitchWaitMs.
int limitSwitch(unsigned bit, int wait) {
    int v = readBit(REG_INPUT, bit);
    if (!wait) return v;
    sleepMs(1);
    motion::Deadline limit(kLimitSwitchWaitMs);
    for (;;) {
        v = readBit(REG_INPUT, bit);
        if (v == 0 || limit.passed()) return v;
        sleepMs(1);
    }
}

} // namespace

void CDrvPrint::MOVWaitUntilXStop(unsigned correct) {
    sleepMs(1);
    motion::Deadline limit(kMotionWaitLimitMs);
    for (unsigned poll = 1;; ++poll) {
        if (!motion::xBusy(*this) || bTestMode || bMachineWorkStop) break;
        if (poll % 10 == 0) sleepMs(1);
        AUXDIOSensor(10);
        if (limit.passed()) {
            ++uiMotionTimeouts;
            platform::log(platform::LogLevel::Warn, "carriage still reported moving after " + std::to_string(kMotionWaitLimitMs) +
                                 " ms: wait abandoned");
            break;
        }
    }
    if (correct == 1) {
        MOVCorrectMovement(0);
        const int64_t off = int64_t(uiMovedPosition) - int64_t(uiXTarget);
        if (std::llabs(off) > XMMToPulse(20)) MOVCorrectMovement(1);
    }
}

void CDrvPrint::MOVWaitUntilYStop() {
    sleepMs(1);
    motion::Deadline limit(kMotionWaitLimitMs);
    for (unsigned poll = 1;; ++poll) {
        if (!motion::yBusy(*this) || bTestMode || bMachineWorkStop) break;
        if (poll % 10 == 0) sleepMs(1);
        AUXDIOSensor(10);
        if (limit.passed()) {
            ++uiMotionTimeouts;
            platform::log(platform::LogLevel::Warn, "media feed still reported moving after " + std::to_string(kMotionWaitLimitMs) +
                                 " ms: wait abandoned");
            break;
        }
    }
    AUXCheckTension1();
}

int CDrvPrint::MOVCorrectMovement(unsigned correct) {
    uiMovedPosition = UI_DPIRate(0, readPosition(REG_MOVED_POSITION));
    if (bUseDIOCard == 1) return 101;
    if (correct == 0) return 102;
    if (uiCorrectFrequency == 0) return 100;

    MOVStopMoveX();
    unsigned settle = 0;
    unsigned moves = 0;
    for (;;) {
        sleepMs(500);
        iXPositionError = kMeasuring;
        // Measure once the carriage has come to rest: two equal readings 100 ms apart.
        unsigned p1 = MOVGetXPosition();
        sleepMs(100);
        unsigned p2 = MOVGetXPosition();
        while (settle <= kSettleReads && p1 != p2) {
            ++settle;
            p1 = MOVGetXPosition();
            sleepMs(100);
            p2 = MOVGetXPosition();
        }
        const int32_t error = static_cast<int32_t>(int64_t(p2) - int64_t(uiXTarget));
        iXPositionError = error;
        const int32_t size = error < 0 ? -error : error;
        if (size <= kInPlace) return 0;
        // Too far off for a slip (a lost position, a wrong encoder): no move, and no endless retry.
        // A carriage that does not answer its correction moves gives up the same way.
        if (size >= kBeyondReach || moves >= kMaxCorrectionMoves) {
            ++uiCorrectionFailures;
            platform::log(platform::LogLevel::Warn, "carriage position off by " + std::to_string(error) + " steps after " +
                                 std::to_string(moves) + " correction move(s): not corrected");
            return -1;
        }
        MOVMoveX(error > 0 ? 1 : 0, 1, size, 0);
        ++moves;
        sleepMs(500);
        for (int i = 0; i < 10 && MOVCheckIfMoveX(); ++i) sleepMs(1);
        settle = 0;
    }
}

unsigned CDrvPrint::MOVGetXPosition() { return UI_DPIRate(0, readPosition(REG_X_ENCODER)); }

int CDrvPrint::MOVGetYPosition() { return 1; }

int CDrvPrint::MOVCheckPosition() {
    const unsigned home = static_cast<unsigned>(iXEncoderInitial);
    const unsigned other = bRepositionLeft ? uiRightLimitPos : uiLeftLimitPos;
    if (uiXTarget == home) return 1;
    if (uiXTarget == other) return 2;
    return 0;
}

int CDrvPrint::MOVCheckIfMoveX() {
    sleepMs(1);
    if (motion::xBusy(*this)) {
        unsigned bit = readBit(REG_OUTPUT, kOutXDirection);
        if (bReverseMoveX) bit ^= 1u;
        bXMoving = 1;
        return bit == 0 ? 2 : 1;
    }
    if (bCLNBoard == 1) {
        // The station comes up under the heads once the carriage has come to rest at home.
        if (AUXCLNGet(12) == 0 && AUXCLNGet(13) == 1 && bXMoving &&
            uiXTarget == static_cast<unsigned>(iXEncoderInitial))
            AUXCLNSet(12, 1);
    }
    bXMoving = 0;
    return 0;
}

int CDrvPrint::MOVCheckIfMoveY() {
    sleepMs(1);
    if (!motion::yBusy(*this)) return 0;
    unsigned bit = readBit(REG_OUTPUT, kOutYDirection);
    if (bReverseMoveY) bit ^= 1u;
    return bit == 0 ? 2 : 1;
}

int CDrvPrint::MOVCheckLeftLSW(int wait) { return limitSwitch(kInLeftLimit, wait); }

int CDrvPrint::MOVCheckRightLSW(int wait) { return limitSwitch(kInRightLimit, wait); }

int CDrvPrint::MOVCheckXMotorWarning() { return readBit(REG_INPUT, kInXWarning); }

int CDrvPrint::MOVCheckYMotorWarning() { return readBit(REG_INPUT, kInYWarning); }

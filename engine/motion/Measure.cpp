// Travel length, the movement self-check, and the media's start and width under the media sensor.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "motion/MotionInternal.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

using platform::sleepMs;

namespace {

constexpr int kFarMoveSteps = 200000;       // more than any path: the far switch ends it
constexpr int kFarSwitchPolls = 4000;       // 20 ms apart
constexpr double kCheckMM = 1000.0;
constexpr double kCheckToleranceMM = 5.0;

unsigned toSetting(int64_t v) { return static_cast<unsigned>(std::clamp<int64_t>(v, 0, UINT32_MAX)); }

} // namespace

int CDrvPrint::AUXGetMaxLength() {
    // A failed card call may have given a wrong position or switch: no travel is taken then.
    const uint64_t faultsAtStart = hw::cardFaults();
    PRNRePosition(1);
    const int64_t p = MOVGetXPosition();
    MOVMoveX(bRepositionLeft ? 0 : 1, 0, kFarMoveSteps, 0);
    sleepMs(1000);
    // The far switch counts once it goes active on the way (a stuck one never does).
    bool leftSeenClear = MOVCheckLeftLSW(0) == 0, rightSeenClear = MOVCheckRightLSW(0) == 0;
    bool reached = false;
    int64_t q = p;
    for (int polls = kFarSwitchPolls; polls > 0; --polls) {
        const int left = MOVCheckLeftLSW(0), right = MOVCheckRightLSW(0);
        if (!left) leftSeenClear = true;
        if (!right) rightSeenClear = true;
        if (left != right && ((left && leftSeenClear) || (right && rightSeenClear))) {
            q = MOVGetXPosition();
            MOVStopMoveX(); // rather than run on into the end stop
            reached = true;
            break;
        }
        if (!MOVCheckIfMoveX()) break;
        sleepMs(20);
    }
    int t = -1;
    if (hw::cardFaults() != faultsAtStart) {
        platform::log(platform::LogLevel::Error, "travel measurement: a card call failed; the travel is kept as it was");
    } else if (reached) {
        const int64_t travel = std::llabs(p - q) - int64_t(uiRepositionLeft);
        if (travel > 0 && travel < 65535) {
            t = static_cast<int>(travel);
            uiMovingLength = static_cast<unsigned>(t);
        }
    } else {
        platform::log(platform::LogLevel::Warn, "travel measurement: the far limit switch was not reached");
    }
    PRNRePosition(1);
    return t;
}

int CDrvPrint::AUXCheckMovement() {
    if (!(fMMPerXStep > 0.0f)) return 0;
    const int64_t p = MOVGetXPosition();
    const int steps = static_cast<int>(std::trunc(kCheckMM / double(fMMPerXStep) + 0.5));
    const int away = bRepositionLeft ? 0 : 1;
    MOVMoveX(away, 0, steps, 1);
    const int64_t m = std::llabs(p - int64_t(MOVGetXPosition()));
    // The carriage was sent there: the position model follows it.
    const int64_t target = int64_t(uiXTarget) + (away ? -steps : steps);
    uiXTarget = static_cast<unsigned>(std::clamp<int64_t>(target, 0, UINT32_MAX));
    // Too short and too long a way both mean a wrong motor factor or a slipping carriage.
    return std::fabs(kCheckMM - double(m) * double(fMMPerXStep)) <= kCheckToleranceMM ? 1 : 0;
}

int CDrvPrint::PRNMeasure() {
    // A failed card call may have given a wrong position or sensor reading: then nothing measured
    // is taken (the media settings stay as they were) and the operator is told.
    const uint64_t faultsAtStart = hw::cardFaults();
    const unsigned home = static_cast<unsigned>(iXEncoderInitial);
    const unsigned far = bRepositionLeft ? uiRightLimitPos : uiLeftLimitPos;
    PRNSetPosition(home, 1, 1);
    sleepMs(300);
    PRNSetPosition(far, 1, 0);
    sleepMs(10);

    // Every loop below ends when the carriage stops; the time limit covers a card that reports
    // a move for ever.
    motion::Deadline limit(kMotionWaitLimitMs);
    auto moving = [&] { return !bMachineWorkStop && MOVCheckIfMoveX() != 0 && !limit.passed(); };
    auto onMedia = [&] { return AUXCheckMediaSensor() == 0; }; // the sensor reads 0 over media
    auto position = [&] { return int64_t(MOVGetXPosition()); };
    // Waits while the carriage moves until the sensor reads `media`; false when it stopped first.
    auto waitFor = [&](bool media) {
        while (moving()) {
            if (onMedia() == media) return true;
        }
        return false;
    };

    const int64_t accel = uiAccelerationLength;
    if (bRepositionLeft) {
        // Run-up: measure only at full speed.
        const int64_t from = int64_t(iXEncoderInitial) + accel - iSensor;
        while (moving() && position() <= from) sleepMs(10);
    } else {
        // Home end higher: the carriage runs out over every roll first, then comes back slowly
        // towards home, so that the edges are taken travelling up the path as from the lower end.
        const int64_t below = int64_t(iXEncoderInitial) + iSensor - accel;
        bool counted = false;
        while (moving() && position() >= below) {
            if (!counted) {
                counted = true;
                unsigned changes = 0;
                bool was = onMedia();
                while (changes < uiRoll2 + 1 && moving()) {
                    const bool now = onMedia();
                    if (was && !now) { // media -> off: confirmed after 500 ms
                        sleepMs(500);
                        if (!onMedia()) ++changes;
                    }
                    was = onMedia();
                }
                MOVMoveX(bRepositionLeft, 0, static_cast<int>(uiMovingLength), 0);
                sleepMs(20);
            }
            sleepMs(10);
        }
    }

    int64_t p1 = 0, p2 = 0, p3 = 0, p4 = 0;
    // One roll: its near edge (media confirmed after 500 ms) and its far edge (off media
    // confirmed after 20 ms). A short gap inside the media does not restart the roll.
    auto measureRoll = [&](int64_t& start, int64_t& end) {
        for (;;) {
            if (!waitFor(true)) return false;
            start = position();
            sleepMs(500);
            if (onMedia()) break;
        }
        for (;;) {
            if (!waitFor(false)) return false;
            end = position();
            sleepMs(20);
            if (!onMedia()) return true;
        }
    };
    auto stopHere = [&] {
        sleepMs(100);
        MOVStopMoveX();
        sleepMs(500);
        uiXTarget = MOVGetXPosition();
    };
    if (measureRoll(p1, p2)) {
        if (uiRoll2 == 0) {
            stopHere();
        } else {
            int64_t s2 = 0, e2 = 0;
            if (measureRoll(s2, e2)) {
                p3 = s2;
                p4 = e2;
                stopHere();
            }
        }
    }
    while (moving()) sleepMs(10);
    if (bMachineWorkStop) {
        // Edges seen before the stop are no measurement: the media settings stay as they were.
        platform::log(platform::LogLevel::Info, "media measurement stopped by the operator");
        return -1;
    }

    if (const uint64_t faults = hw::cardFaults() - faultsAtStart) {
        platform::logf(platform::LogLevel::Error, "media measurement: %llu card call(s) failed; the media settings are kept",
                       static_cast<unsigned long long>(faults));
        PRNSetPosition(home, 1, 1);
        PRNRePosition(1);
        platform::messageBox(bLanguageChinese ? "测量失败：板卡通讯出错，介质参数未改变。"
                                              : "The measurement failed: a card call went wrong; the media settings are unchanged.");
        return -1;
    }

    int result = -1;
    if (p1 < p2 || p3 < p4) {
        const int64_t base = int64_t(uiLeftLimitPos) - iSensor;
        uiWidth1 = toSetting(p2 - p1);
        uiStartPos1 = toSetting(p1 - base);
        // A second roll that was not found leaves no start or width of its own.
        uiStartPos2 = p3 < p4 ? toSetting(p3 - base) : 0;
        uiWidth2 = p3 < p4 ? toSetting(p4 - p3) : 0;
        result = 1;
    }

    char text[160];
    const int32_t start = XPulseToMM(static_cast<int32_t>(uiStartPos1));
    const int32_t width = XPulseToMM(static_cast<int32_t>(p2 - p1));
    if (bLanguageChinese) std::snprintf(text, sizeof text, "启始点:%d \r材料长度:%d", start, width);
    else std::snprintf(text, sizeof text, "Starting Position:%d \rMaterial Width:%d", start, width);
    PRNSetPosition(home, 1, 1);
    PRNRePosition(1);
    platform::messageBox(text);
    return result;
}

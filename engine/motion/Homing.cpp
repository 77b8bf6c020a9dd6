// Homing: drive the carriage onto a limit switch, back off, and let the encoder read the home end.
#include <algorithm>
#include <cstdint>

#include "core/DrvPrint.h"
#include "hardware/DIOCard.h"
#include "motion/MotionInternal.h"
#include "platform/Clock.h"
#include "platform/Log.h"

using platform::sleepMs;

namespace {

constexpr int kStatusNoCard = -100;
constexpr int kStatusNotFound = -1;
constexpr int kStatusCardFault = -101; // a card call failed: where the carriage is, is not known
constexpr int kStatusStopped = -102;   // the operator stopped the homing: the carriage is not homed
constexpr int kStatusTestMode = 20000;

// Input function 27 reads 0 where the carriage must go slowly (near either end).
bool inSlowZone(CDrvPrint& d) { return d.AUXDIOGet(DIO_GET_SLOW_ZONE) == 0; }

} // namespace

int CDrvPrint::PRNRePosition(int home) {
    const int d = home ? (bRepositionLeft ? 1 : 0) : (bHeadsProtectLeft ? 1 : 0);
    const unsigned backOff = d ? uiRepositionLeft : uiRepositionRight;

    const uint64_t faultsAtStart = hw::cardFaults();
    bStop = 1; // no pass loop runs while the carriage homes
    uiXTarget = 0;
    PRNInitLimitPosition();
    iXPositionError = 0;
    uint32_t input = 0;
    const bool cardOk = hw::tryReadRegister(hw::REG_INPUT, input);

    int64_t search = int64_t(uiMovingLength) + 1000;
    if (uiCarriageSlowMode == 0) search *= 2;
    else if (uiCarriageSlowMode == 1) search *= 6; // the slow speed covers less per pulse time
    const int length = static_cast<int>(std::min<int64_t>(search, INT32_MAX));

    // The heads are switched off for the drive; with head parameters in use they are set again.
    if (uiHeadsParamsMode) {
        uiHeadsParamsMode = 0;
        bHTVEnable = 0;
        AUXHTVDisableParams();
        uiHeadsParamsMode = 1;
        bHTVEnable = 1;
        AUXSetHeadsParamsState(1);
    } else {
        AUXSetHeadsParamsState(0);
    }

    // A failed card call ends the search: the carriage may not be doing what it was told, and
    // a retried start would drive it further on that guess.
    auto faulted = [&] { return hw::cardFaults() != faultsAtStart; };
    int status = kStatusNoCard;
    if (cardOk) {
        int speed = 1;
        if (inSlowZone(*this)) {
            MOVSetCarriageSlow(1);
            speed = 0;
        }
        // A switch that is active already is either the one the carriage rests on, or stuck.
        // Step off first, so that arriving at it is seen as a change; one that stays active is
        // never taken for the home switch.
        int left = MOVCheckLeftLSW(0), right = MOVCheckRightLSW(0);
        if (left != right && !bTestMode && backOff > 0) {
            MOVMoveX(d ? 0 : 1, speed, static_cast<int>(backOff), 1);
            left = MOVCheckLeftLSW(0);
            right = MOVCheckRightLSW(0);
        }
        bool leftSeenClear = left == 0, rightSeenClear = right == 0;

        ++uiXTarget;
        MOVMoveX(d, speed, length, 0);
        sleepMs(1);
        if (bTestMode) {
            status = kStatusTestMode;
        } else {
            // Each poll waits at least 1 ms (MOVCheckIfMoveX), and 10 ms more once slowed down (the
            // DSP speed write), so the search lasts long enough to cross the whole path slowly.
            int polls = kHomingPolls;
            bool slowed = speed == 0;
            for (;;) {
                if (faulted()) {
                    MOVStopMoveX();
                    status = kStatusCardFault;
                    break;
                }
                if (bMachineWorkStop) {
                    MOVStopMoveX();
                    status = kStatusStopped;
                    break;
                }
                if (inSlowZone(*this)) {
                    MOVSetCarriageSlow(1);
                    MOVSetSpeed(0);
                    if (uiPcicardMode != 0) sleepMs(10);
                    slowed = true;
                } else if (slowed) {
                    sleepMs(10);
                }
                left = MOVCheckLeftLSW(0);
                right = MOVCheckRightLSW(0);
                if (!left) leftSeenClear = true;
                if (!right) rightSeenClear = true;
                // Reached: the switches read differently, and the active one went active on the way.
                if (left != right && ((left && leftSeenClear) || (right && rightSeenClear))) {
                    MOVStopMoveX();
                    --uiXTarget;
                    status = polls;
                    break;
                }
                if (!MOVCheckIfMoveX()) {
                    sleepMs(100);
                    MOVMoveX(d, 0, length, 0);
                }
                if (--polls == 0) {
                    MOVStopMoveX(); // do not keep pushing against the end of the path
                    status = kStatusNotFound;
                    platform::log(platform::LogLevel::Warn, "homing found no limit switch");
                    break;
                }
            }
        }
        sleepMs(100);
        iXPositionError = 0;
        MOVSetCarriageSlow(0);
        if (!faulted()) MOVMoveX(d ? 0 : 1, 1, static_cast<int>(backOff), 1);
        sleepMs(100);
    }

    if (bMachineWorkStop) {
        // Wherever the carriage stood still, it is not home: the encoder keeps counting from
        // where it was, and the next homing starts from there.
        platform::log(platform::LogLevel::Info, "homing stopped by the operator; the carriage is not homed");
        return kStatusStopped;
    }
    if (cleaning.bSyringeEnable) motion::headsCleaning(*this);
    sleepMs(500);
    // The encoder now reads the home end.
    AUXInitHardware(UI_DPIRate(1, static_cast<unsigned>(iXEncoderInitial)), uiFireDivider);
    if (uiXTarget == static_cast<unsigned>(iXEncoderInitial) && cleaning.uiFlashAtHome)
        motion::setFlash(*this, cleaning.uiFlashFrequency);
    iXPositionError = 0;
    AUXDIOSet(DIO_SET_WIPER_ENABLE, 0);
    AUXCLNSet(12, 1);
    if (status != kStatusNoCard && hw::cardFaults() != faultsAtStart) {
        platform::log(platform::LogLevel::Error, "homing: a card call failed; the carriage is not homed");
        status = kStatusCardFault;
    }
    return status;
}

void CDrvPrint::PRNRepositonHeadsProtect() { PRNRePosition(0); }

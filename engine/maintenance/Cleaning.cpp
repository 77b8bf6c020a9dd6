// Head cleaning at the cleaning station, the wiper-cleaning worker and the flash rule after it.
#include <algorithm>
#include <cstdint>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "platform/Clock.h"
#include "platform/Log.h"

namespace {

unsigned clampPos(int64_t v) { return unsigned(std::clamp<int64_t>(v, 0, INT32_MAX)); }

} // namespace

CDrvPrint::CleaningPositions CDrvPrint::PRNCleaningPositions() const {
    const int64_t E = bHeadsProtectLeft ? uiLeftLimitPos : uiRightLimitPos;
    const int64_t s = bHeadsProtectLeft ? 1 : -1;
    CleaningPositions p;
    p.end = clampPos(E);
    p.cleaning = clampPos(E + s * int64_t(uiCleaning));
    p.wiping = clampPos(E + s * int64_t(uiCleaningWidth));
    p.far = clampPos(E + s * (int64_t(uiCleaningWidth) + int64_t(uiCleaning)));
    return p;
}

void CDrvPrint::PRNJobCleaning() {
    if (onPeriodicCleaning) onPeriodicCleaning();
    else PRNHeadsCleaning();
}

int CDrvPrint::PRNHeadsCleaning() {
    // Never start a cycle under a moving carriage: another thread is driving it. A failed read of
    // the carriage counts as moving.
    const uint64_t faultsAtStart = hw::cardFaults();
    if (MOVCheckIfMoveX()) {
        platform::sleepMs(10);
        if (MOVCheckIfMoveX()) {
            platform::logf(platform::LogLevel::Info, "head cleaning skipped: the carriage is moving");
            return 0;
        }
    }
    if (hw::cardFaults() != faultsAtStart) {
        platform::logf(platform::LogLevel::Error, "head cleaning skipped: the card did not answer");
        return 0;
    }
    ++uiCleaningCycles;
    const CleaningPositions pos = PRNCleaningPositions();
    const CleaningSettings& c = cleaning;
    const unsigned mode = c.uiMode;
    // A card call that failed means the carriage may not be where the cycle thinks, or an output may
    // not have switched: purging or wiping on from there could put ink on the media. The cycle ends
    // at once with everything it may have switched on switched off.
    auto faulted = [&] {
        const bool stopped = bMachineWorkStop != 0;
        if (hw::cardFaults() == faultsAtStart && !stopped) return false;
        MOVStopMove();
        AUXSetPurge(0);
        AUXSetCleaner(0);
        AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
        AUXCLNSet(14, 0);
        AUXDIOSet(DIO_SET_WIPER_POSITION, 0);
        IMGSetFlashPrint(0);
        if (stopped)
            platform::logf(platform::LogLevel::Info, "head cleaning stopped by the operator");
        else
            platform::logf(platform::LogLevel::Error, "head cleaning ended: a card call failed");
        return true;
    };

    // Flash only: the flash stays on afterwards.
    if (mode == 1) {
        PRNSetPosition(pos.end, uiXSpeed, 1);
        if (faulted()) return 0;
        IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
        PRNWorkSleep(uint32_t(std::min<uint64_t>(uint64_t(c.uiTimes) * 1000, UINT32_MAX)));
        return faulted() ? 0 : 1;
    }

    // Purge (modes 3 and 4).
    if (mode == 3 || mode == 4) {
        PRNSetPosition(pos.cleaning, 1, 1);
        PRNWorkSleep(c.uiSyringeUpPredelay);
        for (unsigned i = 0; i < c.uiSyringeTimes; ++i) {
            if (faulted()) return 0;
            AUXDIOSet(DIO_SET_PUMP_COMMON, 1);
            AUXCLNSet(14, 1);
            AUXSetPurge(1);
            PRNWorkSleep(c.uiSyringeTime);
            AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
            AUXCLNSet(14, 0);
            AUXSetPurge(0);
            PRNWorkSleep(c.uiSyringeDelay);
        }
        // Waste ink out of the station with the wiper enabled.
        AUXSetPurge(0);
        if (faulted()) return 0;
        AUXDIOSet(DIO_SET_WIPER_ENABLE, 1);
        PRNWorkSleep(c.uiSyringeDownPredelay);
        AUXDIOSet(DIO_SET_PUMP_COMMON, 1);
        AUXCLNSet(14, 1);
        PRNWorkSleep(c.uiSyringeWasteInk);
        AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
        AUXCLNSet(14, 0);
        AUXDIOSet(DIO_SET_WIPER_POSITION, 0);

        if (mode == 3) {
            PRNSetPosition(pos.wiping, 0, 1);
            if (faulted()) return 0;
            if (c.bSyringeFlush) IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
            for (unsigned i = 0; i < c.uiWipeTime; ++i) {
                if (faulted()) return 0;
                AUXDIOSet(DIO_SET_WIPER_POSITION, 1);
                AUXSetCleaner(0);
                PRNWorkSleep(300);
                AUXSetCleaner(1);
                PRNWorkSleep(300);
                AUXDIOSet(DIO_SET_WIPER_POSITION, 0);
                AUXSetCleaner(0);
            }
            if (faulted()) return 0;
            AUXDIOSet(DIO_SET_WIPER_ENABLE, 1);
            PRNCleaningWipper();
            if (c.bSyringeFlush) IMGSetFlashPrint(0);
            if (PRNCheckStop() || PRNCheckPause()) {
                PRNSetPosition(pos.cleaning, 0, 1);
                PRNWorkSleep(10);
            }
            PRNWorkSleep(10);
        }
    }

    // Cleaner passes (modes 0, 2 and 4).
    if (mode == 0 || mode == 2 || mode == 4) {
        const bool between = uiXTarget > uiLeftLimitPos && uiXTarget < uiRightLimitPos;
        const unsigned speed = (!PRNCheckStop() && between) ? uiXSpeed : 0;
        PRNSetPosition(pos.end, speed, 1);
        if (faulted()) return 0;
        AUXSetCleaner(1);
        for (unsigned i = 0; i < c.uiTimes && !bEmergencyStop; ++i) {
            if (faulted()) return 0;
            PRNSetPosition(pos.far, speed, 1);
            PRNWorkSleep(10);
            PRNSetPosition(pos.cleaning, speed, 1);
            PRNWorkSleep(10);
        }
        PRNSetPosition(pos.end, 0, 1);
        AUXSetCleaner(0);
        if (faulted()) return 0;
        IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
        PRNWorkSleep(c.uiFlashFrequencyCleaningDelay);
    }

    // The flash state after the cycle.
    if (c.uiFlashAtHome) IMGSetFlashPrint(c.uiFlashFrequency);
    else IMGSetFlashPrint(0);
    return faulted() ? 0 : 1;
}

int CDrvPrint::PRNCleaningWipper() {
    // One worker owns the wiper-cleaning output: a second one would switch it off under the first.
    return wipperWorker.start([this] { PRNThreadCleaningWipper(this); }) ? 1 : 0;
}

unsigned CDrvPrint::PRNThreadCleaningWipper(void* engine) {
    CDrvPrint& d = *static_cast<CDrvPrint*>(engine);
    if (!d.wipperWorker.sleepMs(2000)) return 1;
    d.AUXDIOSet(DIO_SET_WIPER_CLEANING, 1);
    d.wipperWorker.sleepMs(5000); // on a stop request the output still goes off
    d.AUXDIOSet(DIO_SET_WIPER_CLEANING, 0);
    return 1;
}

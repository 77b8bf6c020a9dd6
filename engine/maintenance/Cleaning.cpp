// Head cleaning at the cleaning station, the wiper-cleaning worker and the flash rule after it.
#include <algorithm>
#include <cstdint>

#include "core/DrvPrint.h"
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

void CDrvPrint::PRNHeadsCleaning() {
    // 1. Never start a cycle under a moving carriage: another thread is driving it.
    if (MOVCheckIfMoveX()) {
        platform::sleepMs(10);
        if (MOVCheckIfMoveX()) {
            platform::logf(platform::LogLevel::Info, "head cleaning skipped: the carriage is moving");
            return;
        }
    }
    ++uiCleaningCycles;
    const CleaningPositions pos = PRNCleaningPositions();
    const CleaningSettings& c = cleaning;
    const unsigned mode = c.uiMode;

    // 2. Flash only: the flash stays on afterwards.
    if (mode == 1) {
        PRNSetPosition(pos.end, uiXSpeed, 1);
        IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
        platform::sleepMs(uint32_t(std::min<uint64_t>(uint64_t(c.uiTimes) * 1000, UINT32_MAX)));
        return;
    }

    // 3. Purge (modes 3 and 4).
    if (mode == 3 || mode == 4) {
        PRNSetPosition(pos.cleaning, 1, 1);
        platform::sleepMs(c.uiSyringeUpPredelay);
        for (unsigned i = 0; i < c.uiSyringeTimes; ++i) {
            AUXDIOSet(DIO_SET_PUMP_COMMON, 1);
            AUXCLNSet(14, 1);
            AUXSetPurge(1);
            platform::sleepMs(c.uiSyringeTime);
            AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
            AUXCLNSet(14, 0);
            AUXSetPurge(0);
            platform::sleepMs(c.uiSyringeDelay);
        }
        // Waste ink out of the station with the wiper enabled.
        AUXSetPurge(0);
        AUXDIOSet(DIO_SET_WIPER_ENABLE, 1);
        platform::sleepMs(c.uiSyringeDownPredelay);
        AUXDIOSet(DIO_SET_PUMP_COMMON, 1);
        AUXCLNSet(14, 1);
        platform::sleepMs(c.uiSyringeWasteInk);
        AUXDIOSet(DIO_SET_PUMP_COMMON, 0);
        AUXCLNSet(14, 0);
        AUXDIOSet(DIO_SET_WIPER_POSITION, 0);

        if (mode == 3) {
            PRNSetPosition(pos.wiping, 0, 1);
            if (c.bSyringeFlush) IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
            for (unsigned i = 0; i < c.uiWipeTime; ++i) {
                AUXDIOSet(DIO_SET_WIPER_POSITION, 1);
                AUXSetCleaner(0);
                platform::sleepMs(300);
                AUXSetCleaner(1);
                platform::sleepMs(300);
                AUXDIOSet(DIO_SET_WIPER_POSITION, 0);
                AUXSetCleaner(0);
            }
            AUXDIOSet(DIO_SET_WIPER_ENABLE, 1);
            PRNCleaningWipper();
            if (c.bSyringeFlush) IMGSetFlashPrint(0);
            if (PRNCheckStop() || PRNCheckPause()) {
                PRNSetPosition(pos.cleaning, 0, 1);
                platform::sleepMs(10);
            }
            platform::sleepMs(10);
        }
    }

    // 4. Cleaner passes (modes 0, 2 and 4).
    if (mode == 0 || mode == 2 || mode == 4) {
        const bool between = uiXTarget > uiLeftLimitPos && uiXTarget < uiRightLimitPos;
        const unsigned speed = (!PRNCheckStop() && between) ? uiXSpeed : 0;
        PRNSetPosition(pos.end, speed, 1);
        AUXSetCleaner(1);
        for (unsigned i = 0; i < c.uiTimes && !bEmergencyStop; ++i) {
            PRNSetPosition(pos.far, speed, 1);
            platform::sleepMs(10);
            PRNSetPosition(pos.cleaning, speed, 1);
            platform::sleepMs(10);
        }
        PRNSetPosition(pos.end, 0, 1);
        AUXSetCleaner(0);
        IMGSetFlashPrint(c.uiFlashFrequencyCleaning);
        platform::sleepMs(c.uiFlashFrequencyCleaningDelay);
    }

    // 5. The flash state after the cycle.
    if (c.uiFlashAtHome) IMGSetFlashPrint(c.uiFlashFrequency);
    else IMGSetFlashPrint(0);
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

// Head-alignment prints: the test pattern printed twice over the same media, left to right and,
// after feeding back, right to left; one pass per distinct vertical head offset, the media fed by
// the differences of the offsets between the passes.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

int CDrvPrint::NOTIN(unsigned value) {
    for (unsigned e : uiOffsetList)
        if (e == value) return 0;
    return 1;
}

void CDrvPrint::BUBBLE() {
    const unsigned n = std::min(uiOffsetCount, 7u);
    for (unsigned i = 0; i <= n; ++i)
        for (unsigned j = i + 1; j <= n; ++j)
            if (uiOffsetList[i] > uiOffsetList[j]) std::swap(uiOffsetList[i], uiOffsetList[j]);
}

void CDrvPrint::PRNBuildOffsetList() {
    uiOffsetCount = 0;
    for (auto& e : uiOffsetList) e = 0;
    for (unsigned h = 0; h < HEADS && h < kMaxHeads; ++h) {
        const unsigned v = unsigned(HeadOffsetY[h]);
        if (NOTIN(v) && uiOffsetCount < 7) uiOffsetList[++uiOffsetCount] = v;
    }
    BUBBLE();
}

int32_t CDrvPrint::PRNAlignFeed(unsigned d) const {
    const double m = double(uiStepOffsetSize) + 1.0;
    const double L = uiLinesPerStep;
    const double S = headAlignment.StepOffset[std::min(uiPassCode, 7u)];
    const double c = iFeedCorrection;
    const double y = fYStepToMM;
    const double den = (S + L * m * 4.0 + c) * (y / m);
    if (!(std::fabs(den) > 0) || !std::isfinite(den)) return 0; // no geometry: no feed
    const double v = std::trunc((double(d) * y * 4.0) / den * L + 0.5);
    return int32_t(4.0 * std::clamp(v, -double(INT32_MAX / 4), double(INT32_MAX / 4)));
}

unsigned CDrvPrint::PRNThreadHeadsAlignment(void* engine) {
    CDrvPrint& d = *static_cast<CDrvPrint*>(engine);
    {
        std::lock_guard g(d.passStatsLock);
        d.passStats = {};
    }
    auto refuse = [&] {
        d.PRNSetStep(tags::CLS);
        d.bStopSeen = 1;
        return 0u;
    };
    auto emergency = [&] {
        d.PRNEndOnEmergency();
        return 0u;
    };
    auto finish = [&] {
        d.PRNFinishPrinting();
        d.iFeedCorrection = 0;
        d.iAlignPassOffsetY = 0;
        return 1u;
    };
    // Any card call that fails from here on ends the print, as it ends a job.
    const uint64_t faultsAtStart = hw::cardFaults();
    d.csStreamError.clear();
    auto failed = [&] {
        const std::string why = d.PRNJobFault(faultsAtStart);
        if (why.empty()) return false;
        d.iFeedCorrection = 0;
        d.iAlignPassOffsetY = 0;
        d.PRNFailJob(why);
        return true;
    };
    // The job: open, check and refuse before any motion.
    const bool opened = d.PRNOpenJobChecked();
    if (d.bStop) return unsigned(d.PRNEndStoppedAtStart());
    if (!opened) return 0u;
    // Fresh flags; no feed correction until the first offset.
    d.bPassFired = 0;
    d.PRNPausePrinting(0);
    d.iFeedCorrection = 0;
    d.uiNextSubLineStep = 0;
    if (d.uiResetHeadsBoard) d.IMGResetStartPrint();
    if (d.cleaning.bSyringeBeforePrinting) d.PRNJobCleaning();
    // The distinct vertical offsets, one pass each.
    d.PRNBuildOffsetList();
    const unsigned n = d.uiOffsetCount;

    for (unsigned r = 0; r < 2; ++r) {
        d.uiAlignPrint = r;
        // Each print reopens the file.
        d.IMGSetFlashPrint(0);
        if (d.PRNInitData() != 0) return refuse();
        d.uiCleanCounter = 0;
        d.iFeedCorrection = 0;
        d.PRNPausePrinting(0);
        if (r > 0 && d.bStop) return finish();
        if (d.uiHeadsParamsMode) d.AUXSetHeadsParamsState(0);
        // Print 0 runs left to right, print 1 right to left.
        d.bPassToLeft = int(r);
        d.bPassMirror = r == 0 ? (d.bHorizontalMirror ? 1 : 0) : (d.bHorizontalMirror ? 0 : 1);
        d.bVertMirror = d.bVerticalMirror ? 1 : 0;
        // Geometry and the start of the print beyond the acceleration way.
        d.PRNInitParams();
        d.PRNSetColorBar();
        const unsigned passDots = d.bEightLineMode ? 8 * d.ripHead.uiBytesPerLine : d.ripHead.uiWidth;
        const int64_t C0 = d.UI_DPIRate(0, d.uiColorBarWidth), W0 = d.UI_DPIRate(0, passDots);
        const int64_t start = r == 0 ? int64_t(d.uiFire) - d.uiAccelerationLength - d.XMMToPulse(7)
                                     : int64_t(d.uiFire) + d.XMMToPulse(7) + d.uiHeadWidth + d.uiAccelerationLength +
                                           100 + C0 + W0;
        const unsigned startPos = unsigned(std::clamp<int64_t>(start, 0, INT32_MAX));
        d.MOVSetParamsMovement();
        d.PRNSetBuffMemory();
        d.PRNSetStep(tags::RD);
        d.PRNReadData();
        d.PRNSetPosition(startPos, d.uiXSpeed, 0);
        d.MOVSetParamsMovement();
        d.PRNSetMaxOffset();
        d.PRNSetStep(tags::RD);
        d.PRNReadData();
        if (failed()) return 0u;

        // One pass per entry of the offset list.
        for (unsigned k = 0; k <= n; ++k) {
            d.iAlignPassOffsetY = int(d.uiOffsetList[k]);
            d.PRNSetStep(tags::RS);
            d.PRNReadToSend();
            d.PRNSetStep(tags::RTC);
            d.IMGRowToColumn();
            const int64_t len = std::llabs(int64_t(d.UI_DPIRate(0, d.uiColorBarWidth)) + d.UI_DPIRate(0, d.uiPassWidthDots) +
                                           d.XMMToPulse(14) + d.uiHeadWidth + 2 * int64_t(d.uiAccelerationLength) + 100);
            const int64_t passEnd = r == 0 ? int64_t(startPos) + len : int64_t(startPos) - len;
            unsigned step;
            if (k == 0) {
                step = d.uiLinesPerStep;
            } else {
                d.MOVWaitUntilXStop(1);
                step = d.uiOffsetList[k] - d.uiOffsetList[k - 1];
            }
            platform::sleepMs(1);
            d.PRNSetStep(tags::WR);
            const int32_t y = d.PRNAlignFeed(step);
            d.uiLastYStep = y;
            d.MOVMoveY(0, d.uiYSpeed, y, 0);
            d.uiStepSendCurrent = d.uiStepSendCurrent + 1;
            if (d.onPassStart) d.onPassStart(d.uiStepSendCurrent - 1);
            d.PRNSetStep(tags::SMT);
            if (!d.bStop) d.PRNSendMemoryToCard();
            d.PRNSetStep(tags::WUYS);
            d.MOVWaitUntilYStop();
            d.PRNSetStep(tags::WUXS);
            d.MOVWaitUntilXStop(1);
            // Emergency stop and stop between passes.
            if (d.AUXDIOSensor(10) || d.bEmergencyStop) return emergency();
            if (failed()) return 0u;
            if (d.PRNCheckStop()) return finish();
            // Periodic cleaning.
            if (d.cleaning.uiFrequency > 0 && d.cleaning.bEnable && !d.bBlankPass) {
                if (d.uiCleanCounter >= d.cleaning.uiFrequency) {
                    d.PRNSetStep(tags::CLN);
                    const unsigned back = d.uiXTarget;
                    d.PRNJobCleaning();
                    d.IMGSetFlashPrint(0);
                    d.PRNSetPosition(back, 4, 1);
                    d.uiCleanCounter = 0;
                } else if (d.bUnidirection || (d.bHeadsProtectLeft ? d.bPassToLeft : !d.bPassToLeft)) {
                    ++d.uiCleanCounter;
                }
            }
            // Pause.
            if (d.bPause) {
                platform::sleepMs(500);
                d.PRNSetStep(tags::PPS);
                const unsigned back = d.uiXTarget;
                d.PRNSetPosition(d.bRepositionLeft ? d.uiLeftLimitPos : d.uiRightLimitPos, d.uiXSpeed, 1);
                d.bPauseSeen = 1;
                d.PRNSetStep(tags::FLS);
                if (d.cleaning.uiFlashAtHome) d.IMGSetFlashPrint(d.cleaning.uiFlashFrequency);
                for (;;) {
                    if (d.bStop) {
                        d.PRNSetStep(tags::PSTP);
                        return finish();
                    }
                    if (!d.bPause) break;
                    if (d.bEmergencyStop) return emergency();
                    platform::sleepMs(50);
                }
                d.PRNSetStep(tags::PCN);
                d.IMGSetFlashPrint(0);
                platform::sleepMs(200);
                d.PRNSetPosition(back, d.uiXSpeed, 1);
                d.PRNPausePrinting(0);
            }
            // The fire window: print 1 fires from the right end of the pass.
            unsigned fire = d.uiFire, shift = unsigned(std::max(0, d.iEncoderShiftNumber));
            if (r == 1) {
                const int B = d.headAlignment.BiDifference[std::min(d.uiXSpeed, 2u)];
                const int D = d.PRNDPIRateBifference();
                const int64_t C = d.UI_DPIRate(0, d.uiColorBarWidth), W = d.UI_DPIRate(0, d.uiPassWidthDots);
                fire = unsigned(std::clamp<int64_t>(int64_t(d.uiFire) + C + W + d.uiHeadsSpan - B - D, 0, INT32_MAX));
                shift = 0;
            }
            d.IMGSetPrintParams(1, int(d.uiColorBarWidth + d.UI_DPIRate(1, d.uiHeadWidth + 100) + d.uiPassWidthDots),
                                fire, shift);
            d.IMGSetStartPrintMode(1);
            d.bPassFired = 1;
            d.PRNSetStep(tags::PRN);
            // The printing move and the way back to the start.
            d.PRNSetPosition(unsigned(std::clamp<int64_t>(passEnd, 0, INT32_MAX)), d.uiXSpeed, 0);
            d.AUXUVSet(3, r == 0 ? 1 : 0);
            d.AUXUVSet(4, r == 0 ? 0 : 1);
            d.MOVWaitUntilXStop(0);
            d.AUXUVSet(3, 0);
            d.AUXUVSet(4, 0);
            d.PRNSetPosition(startPos, std::min(d.uiXSpeed + 1, 4u), 0);
            platform::sleepMs(10);
            {
                std::lock_guard g(d.passStatsLock);
                d.passStats.passes++;
            }
            if (d.bEmergencyStop) return emergency();
        }
        if (r == 1) {
            // The second print is the last; it counts only when every card call of it went through.
            d.MOVWaitUntilXStop(0);
            if (failed()) return 0u;
            return finish();
        }
        // Back over the same media for the second print.
        d.PRNCleanBuffMemory();
        d.PRNReadClose();
        d.MOVWaitUntilXStop(1);
        if (failed()) return 0u;
        d.MOVMoveY(1, 1, int(4 * d.uiOffsetList[n]), 1);
        d.uiStepSendCurrent = 0;
        d.uiBandsRead = 0;
        if (d.bEmergencyStop) return emergency();
    }
    return finish();
}

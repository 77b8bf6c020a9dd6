// The print thread: every copy of a job as a sequence of carriage passes. The band of pass n is
// read, cut into head rows and transposed while the carriage still travels pass n - 1; only the
// card transfer and the axis moves wait for it.
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstdlib>

#include "core/CardTransfer.h"
#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"


namespace {

// Adds the time since the last mark to one stage counter.
struct StageClock {
    uint64_t t = platform::nowUs();
    uint64_t lap() {
        const uint64_t n = platform::nowUs(), d = n - t;
        t = n;
        return d;
    }
};

} // namespace

void CDrvPrint::PRNSetStep(const char* tag) {
    csPrintStep = tag;
    if (onStepTag) onStepTag(tag);
}

void CDrvPrint::PRNPausePrinting(int on) {
    bPause = on ? 1 : 0;
    if (!on) bPauseSeen = 0;
}

void CDrvPrint::PRNStopPrinting(int on) {
    bStop = on ? 1 : 0;
    if (!on) bStopSeen = 0;
}

int CDrvPrint::PRNCheckPause() { return bPause ? 1 : 0; }
int CDrvPrint::PRNCheckStop() { return bStop ? 1 : 0; }

int CDrvPrint::PRNCheckFiring() { return hw::readBit(hw::REG_PRINT_CONTROL, hw::kPcFired); }

int CDrvPrint::PRNCheckStartPrint() {
    // Bounded: a card that never reports the start would otherwise hold the thread for ever.
    const uint64_t t0 = platform::tickMs();
    while (!bStop && hw::readBit(hw::REG_INPUT, hw::kInStartPending)) {
        if (platform::tickMs() - t0 > uiStartPrintTimeoutMs) break;
        platform::sleepMs(1);
    }
    return bStop ? 2 : 0;
}

int CDrvPrint::PRNWaitUntilPrintOver() {
    const uint64_t t0 = platform::tickMs();
    bool stopped = false;
    for (;;) {
        if (bStop) {
            stopped = true;
            break;
        }
        int bit;
        if (!bWaitEachPass) {
            if (MOVCheckIfMoveX() == 0) break;
            bit = PRNCheckFiring();
        } else {
            bit = (uint32_t(hw::readRegister(hw::REG_INPUT)) >> 31) & 1u;
        }
        if (bit) break;
        if (platform::tickMs() - t0 > uiFiringTimeoutMs) break; // never wait unbounded on the card
        platform::sleepMs(1);
    }
    if (!stopped) return PRNCheckFiring() == 0 ? 1 : 0;
    const uint64_t t1 = platform::tickMs();
    while (MOVCheckIfMoveX() && platform::tickMs() - t1 < uiFiringTimeoutMs) platform::sleepMs(1);
    IMGSetStartPrintMode(0);
    return 2;
}

CDrvPrint::PassStats CDrvPrint::PRNGetPassStats() {
    std::lock_guard g(passStatsLock);
    return passStats;
}

void CDrvPrint::PRNFinishPrinting() {
    AUXSavePrintingStatus(2);
    AUXUVSet(3, 0);
    AUXUVSet(4, 0);
    const unsigned park = bRepositionLeft ? uiLeftLimitPos : uiRightLimitPos;
    PRNSetPosition(park, uiXSpeed, 1);
    PRNStopPrinting(1);
    PRNPausePrinting(0);
    platform::sleepMs(50);
    if (uiStepSendCurrent >= uiStepTotal && uiCorrectMode == 2 && uiPrintJobKind == 0) {
        const int32_t space = int32_t(bSpaceSelect == 1 ? uiSpaceLefRight : uiSpaceUpDown);
        if (space != 0) {
            const int32_t I = int32_t(std::max(1u, uiInterlace));
            int32_t amount = (int32_t(uiLinesLeft.load()) * 4) / I;
            if (uiFeatherMode) amount += space - std::abs(uiLastYStep);
            const int32_t unit = std::abs(uiLastYStep);
            while (unit > 0 && std::abs(amount) > unit && !bEmergencyStop) {
                MOVMoveY(0, uiYSpeed, amount > 0 ? unit : -unit, 1);
                amount += amount > 0 ? -unit : unit;
            }
            MOVMoveY(0, uiYSpeed, amount, 1);
        }
    }
    PRNReadClose();
    MOVWaitUntilXStop(0);
    if (uiCopyIndex + 1 >= uiCopies && cleaning.uiFlashAtHome) IMGSetFlashPrint(cleaning.uiFlashFrequency);
    if (cleaning.bSyringeAfterPrinting) PRNJobCleaning();
    char ending[64];
    std::snprintf(ending, sizeof ending, "%u/%u", uiStepSendCurrent.load(), uiStepTotal);
    job.DBRecordSetEnding(ending);
    if (bUseDIOCard == 1) AUXDIOSet(DIOSetFuncs(6), 0);
    PRNSetStep(tags::PFNSH);
    uiBandsRead = 0;
    PRNCleanBuffMemory();
    PRNReleaseReadBuffers();
    IMGClearMemoryToCard();
    bStopSeen = 1;
    AUXSetHeadsParamsState(uiHeadsParamsMode ? 1 : 0);
}

std::string CDrvPrint::PRNJobFault(uint64_t faultsAtStart) const {
    if (!csStreamError.empty()) return csStreamError;
    if (!csReadBufferError.empty()) return csReadBufferError;
    const uint64_t faults = hw::cardFaults() - faultsAtStart;
    if (faults) return std::to_string(faults) + " card call(s) failed: the card may not have done what the job asked";
    return {};
}

int CDrvPrint::PRNFailJob(const std::string& reason) {
    platform::log(platform::LogLevel::Error, "print job ended: " + reason);
    csRefusal = reason;
    // Nothing more fires, moves or feeds. The printing status keeps the last pass it saved.
    IMGSetStartPrintMode(0);
    MOVStopMove();
    AUXUVSet(3, 0);
    AUXUVSet(4, 0);
    PRNStopPrinting(1);
    PRNPausePrinting(0);
    PRNReadClose();
    char ending[64];
    std::snprintf(ending, sizeof ending, "failed %u/%u", uiStepSendCurrent.load(), uiStepTotal);
    job.DBRecordSetEnding(ending);
    uiBandsRead = 0;
    PRNCleanBuffMemory();
    PRNReleaseReadBuffers();
    PRNSetStep(tags::CLS);
    bStopSeen = 1;
    return 0;
}

int CDrvPrint::PRNEndStoppedAtStart() {
    platform::log(platform::LogLevel::Info, "print job stopped before it started: " + csName);
    csRefusal = bLanguageChinese ? "打印在开始前被终止" : "the job was stopped before it started";
    PRNReadClose();
    PRNReleaseReadBuffers();
    job.DBRecordSetEnding("stopped 0/0");
    bStoppedAtStart = 1;
    PRNPausePrinting(0);
    PRNSetStep(tags::CLS);
    bStopSeen = 1;
    return 0;
}

void CDrvPrint::PRNEndOnEmergency() {
    AUXUVSet(3, 0);
    AUXUVSet(4, 0);
    PRNStopPrinting(1);
    PRNPausePrinting(0);
    PRNReadClose();
    PRNSetStep(tags::EMG);
    uiBandsRead = 0;
    PRNCleanBuffMemory();
}

int CDrvPrint::PRNThreadPrintFile(CDrvPrint* drv) {
    CDrvPrint& d = *drv;
    {
        std::lock_guard g(d.passStatsLock);
        d.passStats = {};
    }
    auto refuse = [&] {
        d.PRNSetStep(tags::CLS);
        d.bStopSeen = 1;
        return 0;
    };
    // Any card call that fails from here on ends the job: see PRNJobFault.
    const uint64_t faultsAtStart = hw::cardFaults();
    d.csStreamError.clear();
    auto fault = [&] { return d.PRNJobFault(faultsAtStart); };
    auto emergencyEnd = [&] {
        d.PRNEndOnEmergency();
        d.PRNReleaseReadBuffers();
        return 0;
    };
    // Per job. A resume's printing status is checked once, against this job.
    const bool opened = d.PRNOpenJobChecked();
    d.uiResumeStepCount = 0;
    if (d.bStop) return d.PRNEndStoppedAtStart();
    if (!opened) return 0;
    if (const std::string why = fault(); !why.empty()) return d.PRNFailJob(why);
    d.bPassFired = 0;
    d.PRNPausePrinting(0);
    if (d.uiResetHeadsBoard) d.IMGResetStartPrint();
    d.uiCopies = d.uiPrintQty;

    const unsigned copies = d.uiCopies;
    for (unsigned k = 0; k < std::max(1u, copies); ++k) {
        // Per copy.
        if (d.cleaning.bSyringeBeforePrinting) d.PRNJobCleaning();
        d.IMGSetFlashPrint(0);
        if (!d.PRNIsNetJob() && d.PRNInitData() != 0) return refuse();
        d.PRNPausePrinting(0);
        // A Stop between copies ends the job as it does between passes.
        if (k > 0 && d.bStop) {
            d.PRNFinishPrinting();
            return 1;
        }
        if (d.uiHeadsParamsMode) d.AUXSetHeadsParamsState(0);
        d.uiCopyIndex = k;
        d.bPassToLeft = d.bUnidirectionToLeft ? 1 : 0;
        d.bPassMirror = d.bPassToLeft ? !d.bHorizontalMirror : (d.bHorizontalMirror ? 1 : 0);
        d.bVertMirror = d.bVerticalMirror ? 1 : 0;
        d.PRNInitParams();
        d.PRNSetColorBar();
        // A job starting right to left starts beyond the picture's right edge.
        const int64_t start =
            d.bPassToLeft ? int64_t(d.uiFire) + d.XMMToPulse(7) + d.uiHeadWidth + d.uiAccelerationLength + 100 +
                                d.UI_DPIRate(0, d.uiColorBarWidth + d.ripHead.uiWidth)
                          : int64_t(d.uiFire) - d.uiAccelerationLength - d.XMMToPulse(7);
        d.uiLastYStep = 0;
        d.MOVSetParamsMovement();
        d.PRNSetBuffMemory();
        d.PRNSetStep(tags::RD);
        if (d.uiFeatherMode == 0) d.PRNReadData();
        if (const std::string why = fault(); !why.empty()) return d.PRNFailJob(why);
        d.PRNSetPosition(unsigned(std::max<int64_t>(0, start)), d.uiXSpeed, 0);

        bool firstPass = true;
        bool blankRun = false;
        unsigned blankReturn = 0;
        while (d.uiStepSendCurrent < d.uiStepSendCount) {
            StageClock clock;
            PassStats st;
            // Preparation, while the previous pass is still travelling.
            d.MOVSetParamsMovement();
            d.PRNSetMaxOffset();
            d.PRNSetStep(tags::RD);
            d.PRNReadData();
            // A broken stream or a failed card call ends the job before this pass feeds media.
            if (const std::string why = fault(); !why.empty()) return d.PRNFailJob(why);
            st.readUs = clock.lap();
            d.PRNSetStep(tags::RS);
            d.PRNReadToSend();
            st.rowsUs = clock.lap();
            d.PRNSetStep(tags::RTC);
            d.IMGRowToColumn();
            st.transposeUs = clock.lap();
            // The pass's length and its end of travel.
            const int64_t len = std::llabs(int64_t(d.UI_DPIRate(0, d.uiColorBarWidth)) + d.UI_DPIRate(0, d.uiPassWidthDots) +
                                           d.XMMToPulse(14) + d.uiHeadWidth + 2 * int64_t(d.uiAccelerationLength) + 100);
            // The previous pass must have ended before this one is sent.
            if (!firstPass && d.bPassFired) {
                d.PRNSetStep(tags::WUPO);
                const int r = d.PRNWaitUntilPrintOver();
                d.uiJobPrintEndUs = platform::nowUs();
                d.PRNSetStep(tags::WUPOV);
                // A carriage halted by the emergency stop is not corrected: it cannot move.
                if (r == 1 && !d.AUXDIOSensor(10) && !d.bEmergencyStop) {
                    d.PRNSetStep(tags::MCM);
                    d.MOVCorrectMovement(1);
                    d.PRNSetStep(tags::MCMO);
                }
            }
            d.bPassFired = 0;
            firstPass = false;
            st.waitPassUs = clock.lap();
            // An emergency stop during the previous pass ends the job before the media moves on:
            // the status still names that pass (fed, not finished), so a resume prints it again
            // in full where it was, rather than skipping it.
            if (d.AUXDIOSensor(10) || d.bEmergencyStop) return emergencyEnd();
            // Media advance.
            int32_t n = int32_t(d.uiNozzlesPerPass);
            if (d.uiPrintJobKind == 2 && d.uiHeadsPerColorMode == 0)
                n -= int32_t(d.uiHeadsPerColor - 1) * int32_t(d.NOZZLESPERHEAD);
            if (d.bIfYMove) {
                n = 0;
                d.bIfYMove = 0;
            }
            d.PRNSetStep(tags::WR);
            const unsigned p = d.uiStepSendCurrent;
            const unsigned parity = d.uiHeadsAlignmentMode == 0 ? 1 : d.uiHeadsAlignmentMode == 1 ? 0 : 2;
            if (!(d.uiPrintJobKind == 2 && p > 0 && (p & 1) == parity)) {
                d.uiLastYStep = 4 * n;
                d.MOVMoveY(0, d.uiYSpeed, 4 * n, 0);
            }
            // The pass is the card's now: a resume starts after it. A resume prints it again, so
            // the status keeps the drops counted before it.
            for (unsigned c = 0; c < kMaxColors; ++c) d.uiInkDropsAtPass[c] = d.uiInkDrops[c];
            d.uiStepSendCurrent = p + 1;
            d.AUXSavePrintingStatus(1);
            if (d.onPassStart) d.onPassStart(p);
            d.PRNSetStep(tags::SMT);
            // The transfer sets the direction line of this pass's printing move ahead, once the
            // carriage has braked: the move then needs no settling waits.
            const int moveDirection = d.bPassToLeft ? 1 : 0;
            d.iPresetXDirection = moveDirection;
            if (!d.bStop) d.PRNSendMemoryToCard();
            d.iPresetXDirection = -1;
            st.sendUs = clock.lap();
            // The feed and the previous pass's way back.
            d.PRNSetStep(tags::WUYS);
            d.MOVWaitUntilYStop();
            d.PRNSetStep(tags::WUXS);
            d.MOVWaitUntilXStop(1);
            d.MOVPresetXDirection(moveDirection); // the transfer was shorter than the braking
            d.AUXUVSet(3, 0);
            d.AUXUVSet(4, 0);
            st.feedUs = clock.lap();
            // Emergency stop and failed card calls end the job before the next pass.
            if (d.AUXDIOSensor(10) || d.bEmergencyStop) return emergencyEnd();
            if (const std::string why = fault(); !why.empty()) return d.PRNFailJob(why);
            // Test mode: the encoder position shown after every pass.
            if (d.bTestMode) {
                platform::sleepMs(1000);
                platform::messageBox("EncoderValue:" + std::to_string(d.MOVGetXPosition()), platform::Buttons::Ok);
            }
            // Stop between passes.
            if (d.bStop) {
                d.PRNFinishPrinting();
                return 1;
            }
            // Periodic cleaning.
            if (d.cleaning.bEnable && d.cleaning.uiFrequency > 0 && !d.bBlankPass) {
                if (d.uiCleanCounter >= d.cleaning.uiFrequency) {
                    d.PRNSetStep(tags::CLN);
                    d.AUXUVSet(3, 0);
                    d.AUXUVSet(4, 0);
                    const unsigned back = d.uiXTarget;
                    d.PRNJobCleaning();
                    d.IMGSetFlashPrint(0);
                    d.PRNSetPosition(back, d.uiXSpeed, 1);
                    d.uiCleanCounter = 0;
                } else if (d.bUnidirection || (d.bHeadsProtectLeft ? !d.bPassToLeft : d.bPassToLeft)) {
                    // Bidirectional: count once per return to the protected side.
                    ++d.uiCleanCounter;
                }
            }
            // Pause.
            if (d.bPause) {
                d.AUXUVSet(3, 0);
                d.AUXUVSet(4, 0);
                d.PRNSetStep(tags::PPS);
                const uint64_t pausedAt = platform::nowUs();
                const unsigned back = d.uiXTarget;
                d.PRNSetPosition(d.bRepositionLeft ? d.uiLeftLimitPos : d.uiRightLimitPos, d.uiXSpeed, 1);
                d.PRNSetStep(tags::FLS);
                if (d.cleaning.uiFlashAtHome) d.IMGSetFlashPrint(d.cleaning.uiFlashFrequency);
                d.bPauseSeen = 1;
                for (;;) {
                    if (d.bStop) {
                        d.PRNSetStep(tags::PSTP);
                        d.PRNFinishPrinting();
                        return 1;
                    }
                    if (!d.bPause) break;
                    platform::sleepMs(50);
                }
                d.PRNSetStep(tags::PCN);
                d.IMGSetFlashPrint(0);
                platform::sleepMs(300);
                if (d.uiHeadsParamsMode && d.bUseDIOCard == 0) d.AUXSetHeadsParamsState(0);
                d.PRNSetPosition(back, d.uiXSpeed, 1);
                d.PRNPausePrinting(0);
                d.uiJobPausedUs += platform::nowUs() - pausedAt;
            }
            // Smart print: blank passes are not fired.
            unsigned tL = 0, tR = 0;
            if (d.bSmartPrint) {
                if (d.bBlankPass) {
                    if (!blankRun) {
                        blankRun = true;
                        blankReturn = d.uiXTarget;
                        d.PRNSetPosition(d.bRepositionLeft ? d.uiLeftLimitPos : d.uiRightLimitPos, d.uiXSpeed, 0);
                        if (d.cleaning.uiFlashAtHome) d.IMGSetFlashPrint(d.cleaning.uiFlashFrequency);
                    }
                    std::lock_guard g(d.passStatsLock);
                    d.passStats.passes++;
                    continue;
                }
                if (blankRun) {
                    blankRun = false;
                    d.PRNSetStep(tags::PCN);
                    platform::sleepMs(200);
                    d.IMGSetFlashPrint(0);
                    d.PRNSetPosition(blankReturn, d.uiXSpeed, 1);
                }
                tL = d.UI_DPIRate(0, d.uiPassLeftTrim);
                tR = d.UI_DPIRate(0, d.uiPassWidthDots - std::min(d.uiPassRightEnd, d.uiPassWidthDots));
                if (d.colorBar.bEnable) {
                    if (d.uiColorBarPosition == 0) tR = 0;
                    else if (d.uiColorBarPosition == 1) tL = 0;
                }
            }
            // Fire position. Whichever side a job starts from, the picture lies right of the
            // fire position (uiFire is its left edge, as the margin, the job checks and the
            // media measure count it): a right-to-left pass opens its window beyond the picture
            // and the head span. (Counted from uiFire leftwards, as a job starting right to left
            // once was, the picture lay off the media the checks had passed.)
            const int B = d.headAlignment.BiDifference[std::min(d.uiXSpeed, 2u)];
            const bool fromRight = d.bUnidirectionToLeft != 0;
            const int b = !fromRight && d.iEncoderShiftNumber ? B / 2 : B;
            // A right-to-left pass at a divided fire clock: the card counts the dots of the job
            // and enters each at its upper edge moving left. The head offsets, calibrated at the
            // native resolution, hold that entry as two native steps (the fire position's and the
            // head offset's share); at the job's resolution it is two job dots, so the window
            // starts 2 x (rate - 1) dots further on. The card's leftward fire timing, trimmed for
            // the native clock, also runs early at the slower speed a divided clock drives the
            // carriage at: PRNDPIRateBifference gives that in native steps (0 at the native clock).
            const int D = d.PRNDPIRateBifference();
            const int64_t lead = std::llround(2.0 * (double(d.fDPIRate) - 1.0)) - std::llround(D * double(d.fDPIRate));
            const int64_t C = d.UI_DPIRate(0, d.uiColorBarWidth);
            const int64_t W = d.UI_DPIRate(0, d.uiPassWidthDots);
            // F in X steps (where the carriage goes), and the card's start dot, counted in job
            // dots: the image and bar widths are added as dots there, since at a divided clock
            // an odd width is not a whole number of steps.
            const int64_t Cd = d.uiColorBarWidth, Wd = d.uiPassWidthDots;
            auto dots = [&](int64_t steps) { return int64_t(d.UI_DPIRate(1, unsigned(std::max<int64_t>(0, steps)))); };
            int64_t F, startDot;
            unsigned shift = 0;
            if (!d.bPassToLeft) {
                F = int64_t(d.uiFire) + tR;
                startDot = dots(F);
                if (!fromRight) shift = unsigned(std::abs(B % 2)) * unsigned(std::max(0, d.iEncoderShiftNumber));
            } else {
                F = int64_t(d.uiFire) + C + W + d.uiHeadsSpan - b - D - tL;
                startDot = dots(int64_t(d.uiFire) + d.uiHeadsSpan - b - tL) + Cd + Wd + lead;
                if (fromRight) shift = unsigned(std::max(0, d.iEncoderShiftNumber));
            }
            F = std::max<int64_t>(0, F);
            // The fire window.
            const unsigned t1 = d.bPassToLeft ? tL : tR, t2 = d.bPassToLeft ? tR : tL;
            const int first = int(d.UI_DPIRate(1, t1)) + 1;
            const int last = int(d.uiColorBarWidth) - int(d.UI_DPIRate(1, t2)) + int(d.UI_DPIRate(1, d.uiHeadWidth + 100)) +
                             int(d.uiPassWidthDots);
            cardmem::setFireWindow(first, last, uint32_t(std::max<int64_t>(0, startDot)), shift);
            d.IMGSetFlashPrint(0);
            d.IMGSetStartPrintMode(1);
            // When the job asks so, every pass is printed on its own and followed by a pause.
            if (d.bWaitEachPass) {
                d.PRNCheckStartPrint();
                platform::sleepMs(500);
                d.PRNSetStep(tags::WUPO);
                d.PRNWaitUntilPrintOver();
                platform::sleepMs(7000);
            }
            d.bPassFired = 1;
            if (!d.uiJobPrintStartUs) d.uiJobPrintStartUs = platform::nowUs();
            d.PRNSetStep(tags::PRN);
            d.AUXSavePrintingStatus(0);
            // The printing move.
            const int64_t from = d.uiXTarget;
            if (!d.bPassToLeft) {
                const int64_t end = from + len;
                if (F <= from || F >= end) {
                    d.IMGSetStartPrintMode(0);
                    d.PRNSetPosition(unsigned(std::max<int64_t>(0, F - d.uiAccelerationLength)), d.uiXSpeed, 1);
                    d.IMGSetStartPrintMode(1);
                }
                d.PRNSetPosition(unsigned(std::max<int64_t>(0, int64_t(d.uiXTarget) + len)), d.uiXSpeed, 0);
                d.AUXUVSet(3, 1);
                d.AUXUVSet(4, 0);
            } else {
                const int64_t end = from - len;
                if (F >= from || F <= end) {
                    d.IMGSetStartPrintMode(0);
                    d.PRNSetPosition(unsigned(F + d.uiAccelerationLength), d.uiXSpeed, 1);
                    d.IMGSetStartPrintMode(1);
                }
                d.PRNSetPosition(unsigned(std::max<int64_t>(0, int64_t(d.uiXTarget) - len)), d.uiXSpeed, 0);
                d.AUXUVSet(3, 0);
                d.AUXUVSet(4, 1);
            }
            st.moveUs = clock.lap();
            // The next pass's direction.
            if (!d.bUnidirection) {
                d.bPassToLeft = !d.bPassToLeft;
                d.bPassMirror = !d.bPassMirror;
            } else {
                d.MOVWaitUntilXStop(0);
                d.PRNSetPosition(unsigned(std::max<int64_t>(0, start)), std::min(d.uiXSpeed + 1, 4u), 0);
                platform::sleepMs(10);
            }
            std::lock_guard g(d.passStatsLock);
            d.passStats.passes++;
            d.passStats.readUs += st.readUs;
            d.passStats.rowsUs += st.rowsUs;
            d.passStats.transposeUs += st.transposeUs;
            d.passStats.waitPassUs += st.waitPassUs;
            d.passStats.sendUs += st.sendUs;
            d.passStats.feedUs += st.feedUs;
            d.passStats.moveUs += st.moveUs;
            d.passStats.totalUs += st.readUs + st.rowsUs + st.transposeUs + st.waitPassUs + st.sendUs + st.feedUs + st.moveUs;
        }
        // After the copy.
        const bool allDone = d.uiStepSendCurrent >= d.uiStepTotal;
        d.MOVWaitUntilXStop(0);
        if (d.uiJobPrintStartUs) d.uiJobPrintEndUs = platform::nowUs();
        // The last pass counts only when its move and firing went without a failed card call.
        if (const std::string why = fault(); !why.empty()) return d.PRNFailJob(why);
        if (allDone && k + 1 >= copies) {
            d.PRNFinishPrinting();
            return 1;
        }
        d.PRNCleanBuffMemory();
        d.MOVWaitUntilXStop(0);
        if (allDone && d.uiCorrectMode == 2) {
            const int32_t I = int32_t(std::max(1u, d.uiInterlace));
            int32_t amount = (int32_t(d.uiLinesLeft.load()) * 4) / I;
            if (d.uiPrintJobKind == 0 && d.uiFeatherMode) amount += int32_t(d.uiSpaceUpDown) - std::abs(d.uiLastYStep);
            const int32_t unit = std::abs(d.uiLastYStep);
            while (unit > 0 && std::abs(amount) > unit && !d.bEmergencyStop) {
                d.MOVMoveY(0, d.uiYSpeed, amount > 0 ? unit : -unit, 1);
                amount += amount > 0 ? -unit : unit;
            }
            d.MOVMoveY(0, d.uiYSpeed, amount, 1);
        }
        d.uiStepSendCurrent = 0;
        d.uiBandsRead = 0;
    }
    return 1;
}

// The derived geometry of a job, computed at the start of every copy.
#include "core/DrvPrint.h"

#include <cmath>

namespace {

unsigned passCodeFor(unsigned passes, unsigned fallback) {
    switch (passes) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 6: return 4;
    case 8: return 5;
    case 12: return 6;
    case 16: return 7;
    default: return fallback;
    }
}

unsigned ceilDiv(uint64_t a, uint64_t b) { return b ? static_cast<unsigned>((a + b - 1) / b) : 0; }

} // namespace

void CDrvPrint::PRNInitParams() {
    // Zero counts in a setup must never divide by zero; such a job is refused at its checks.
    switch (uiHeadsPerColorMode) {
    case 0:
        uiHeadsPerColor = (LINESPERHEAD && COLORS) ? HEADS / LINESPERHEAD / COLORS : 0;
        break;
    case 1: uiHeadsPerColor = 1; break;
    case 2: uiHeadsPerColor = COLORS ? (HEADS / 2) / COLORS : 0; break;
    default: break;
    }
    if (uiPrintJobKind == 2 && uiHeadsAlignmentMode == 3) uiHeadsPerColor = 1;
    uiNozzlesPerColor = uiHeadsPerColor * NOZZLESPERHEAD;

    bSmartPrintOn = bSmartPrint;
    uiFeatherMode = (uiPrintJobKind == 1 || uiPrintJobKind == 2) ? 0 : bEdgeFeather;

    uiPassCode = passCodeFor(uiPassCount, uiPass);

    const double y = uiDPIColorMode ? double(ripHead.uiYDPI) : 2.0 * ripHead.uiYDPI;
    uiInterlace = fHeadDPI > 0 ? static_cast<unsigned>((y + 0.5) / fHeadDPI) : 1;
    if (uiInterlace < 1) uiInterlace = 1;
    uiNozzleSkip = ripHead.uiYDPI ? static_cast<unsigned>(fHeadDPI / ripHead.uiYDPI + 0.5) : 1;
    if (uiNozzleSkip < 1) uiNozzleSkip = 1;

    const unsigned f = uiFeatherMode ? 2 * uiFeatherSize : 0;
    uiLinesRead = 0;
    if (uiPassCount == 0) {
        uiNozzlesPerHeadPass = uiNozzlesPerPass = uiLinesPerStep = 0;
        return;
    }
    uiNozzlesPerHeadPass = NOZZLESPERHEAD > f ? (NOZZLESPERHEAD - f) / uiPassCount : 0;
    uiNozzlesPerPass = uiNozzlesPerColor > f ? (uiNozzlesPerColor - f) / uiPassCount : 0;
    uiLinesPerStep = uiInterlace * uiNozzlesPerPass;
}

void CDrvPrint::PRNSetBuffMemory() {
    PRNSetMaxOffset();
    uiBandBytes = uint64_t(ripHead.uiBytesPerLine) * uiLinesPerStep;
    uiRingBytes = uint64_t(BUFFCOUNT) * uiPassCount * uiBandBytes;

    if (uiLinesPerStep == 0) {
        // Nothing can be printed with this geometry; the job start refuses it.
        uiStepTotal = 0;
        uiImageBands = 0;
        uiRingWritePos = 0;
        uiStepSendCount = 0;
        return;
    }
    const uint64_t lines = uint64_t(uiInterlace) * headAlignment.MAXHEADOFFSETY + ripHead.uiHeight +
                           (uiFeatherMode ? uiLinesPerStep : 0);
    uiStepTotal = ceilDiv(lines, uiLinesPerStep) + uiPassCount - 1;
    if (uiPrintJobKind == 1 && uiStepTotal >= 3) uiStepTotal = 2;
    uiImageBands = ceilDiv(ripHead.uiHeight, uiLinesPerStep);

    uiRingWritePos = uiRingBytes >= uiBandBytes ? uiRingBytes - uiBandBytes : 0;
    uiStepSendCount = uiStepTotal;
    // The read buffers for this geometry: allocated when the job starts (its check calls this
    // first), unchanged for its later copies; a failure is kept for the job's check and reader.
    csReadBufferError = PRNAllocReadBuffers();

    // A resumed job reads again the bands that the printed passes had consumed: one per pass, so
    // that the ring holds at the resumed pass what it held there in one go. (Skipping them for the
    // first passes of a job would print those passes with the bands of pass 0.)
    if (uiStepSendCurrent != 0 && PRNCheckBufferLimits().empty()) {
        const unsigned r = uiStepSendCurrent.load();
        for (unsigned i = 0; i < r && !bStop; ++i) PRNReadData();
    }
}

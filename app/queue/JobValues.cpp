#include "queue/JobValues.h"

#include <algorithm>
#include <cmath>

#include "core/DrvPrint.h"
#include "frame/ControlBar.h"

namespace orvix {

unsigned passCountOfRow(const QueueRow& row) {
    if (const unsigned n = leadingNumber(row[kColPass]); n > 0) return std::min(n, 64u);
    const QStringList modes = ControlBar::passModes();
    const int i = std::clamp(row[kColPassIndex].toInt(), 0, int(modes.size()) - 1);
    return std::max(1u, leadingNumber(modes[i]));
}

void setJobValues(CDrvPrint& d, const QueueRow& row, int speedSelection) {
    const JobList job = jobOfRow(row);
    d.csName = job.csPath;
    d.uiPass = job.uiPass;
    d.uiPassCount = passCountOfRow(row);
    if (speedSelection >= 0) d.uiXSpeed = unsigned(speedSelection) + 1;
    d.uiPrintQty = std::max(1u, job.uiQty);
    const int64_t fire = int64_t(d.XMMToPulse(int32_t(job.uiMarginMM))) + d.uiStartPos1 + d.uiLeftLimitPos;
    d.uiFire = unsigned(std::clamp<int64_t>(fire, 0, UINT32_MAX));
    d.uiPrintJobKind = 0;
    const unsigned channels = std::min<unsigned>({job.uiColors, kRowInkChannels, kMaxColors});
    for (unsigned i = 0; i < channels; ++i) d.uiMaskIndex[i] = std::min<unsigned>(job.uiColorMask[i], kMaskCount);
    d.uiStepSendCurrent = job.uiResumePass;
    d.bHorizontalMirror = job.bMirror ? 1 : 0;
    d.bIfYMove = job.bMediaFed ? 1 : 0;
}

double estimateSeconds(CDrvPrint& d, const QueueRow& row) {
    (void)d;
    (void)row;
    return 0;
}

QString estimateText(double seconds) {
    if (!(seconds > 0)) return {};
    const long s = std::lround(seconds);
    if (s >= 3600) return QString::asprintf("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return QString::asprintf("%02ld:%02ld", s / 60, s % 60);
}

} // namespace orvix

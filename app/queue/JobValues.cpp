#include "queue/JobValues.h"

#include <algorithm>
#include <cmath>

#include "core/DrvPrint.h"

namespace orvix {

unsigned passCountOfRow(const QueueRow& row) {
    if (const unsigned n = leadingNumber(row[kColPass]); n > 0) return std::min(n, 64u);
    return PassModes::passCountOf(modeOfRow(row[kColPass], row[kColPassIndex].toUInt()));
}

void setJobValues(CDrvPrint& d, const QueueRow& row, int speedSelection) {
    const JobList job = jobOfRow(row);
    d.csName = job.csPath;
    d.uiPass = modeOfRow(row[kColPass], job.uiPass);
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

namespace {

// The motion card's pulse rates: DSP speed words count 160 pulses/s (X) and 50 pulses/s (Y) a
// unit; the newer card divides a 25.6 MHz clock by its speed word.
constexpr double kXPulsesPerUnit = 160.0;
constexpr double kYPulsesPerUnit = 50.0;
constexpr double kCardClockHz = 25.6e6;
// What the print loop spends around each pass besides the moves (settling waits of the direction
// line and the motion interrupts, the status write, polls), and once per copy besides the moves to
// the start and back to the park (opening and checking the file, the fire clock), seconds.
constexpr double kPassOverhead = 0.08;
constexpr double kCopyOverhead = 0.5;

// Seconds to move `mm` at top speed `v` mm/s reached in `accS` seconds (a trapezoid; a short move
// never reaches the top speed: a triangle).
double moveSeconds(double mm, double v, double accS) {
    if (!(mm > 0) || !(v > 0)) return 0;
    const double ramp = v * accS; // distance of speeding up and braking together
    if (mm >= ramp) return mm / v + accS;
    return 2.0 * std::sqrt(mm * accS / v);
}

double xSpeedMMs(const CDrvPrint& d, unsigned index) {
    const int entry = d.XSpeedPause[std::min(index, 4u)];
    const double pulsesPerMM = d.fMMPerXStep > 0 ? double(d.fXStepToMM) / double(d.fMMPerXStep) : 0;
    if (entry <= 0 || pulsesPerMM <= 0) return 0;
    double hz = 0;
    if (d.uiPcicardMode == 0) hz = kXPulsesPerUnit * std::min(entry, std::max(1, d.XSpeedPause[4]));
    else hz = kCardClockHz / std::max(1.0, std::round(double(d.fXMotorRate) / entry));
    return hz / pulsesPerMM;
}

} // namespace

double estimateSeconds(CDrvPrint& d, const QueueRow& row) {
    RipHead h;
    if (d.AUXGetRipHead(row[kColPath].toStdString(), &h) != 0 || h.uiYDPI == 0 || h.uiXDPI == 0) return 0;
    const unsigned passes = passCountOfRow(row);
    const unsigned copies = std::max(1u, row[kColCopies].toUInt());
    // The pass geometry as the print loop makes it.
    const unsigned lines = d.LINESPERHEAD ? std::max(1u, d.LINESPERHEAD) : 1;
    const unsigned perColor = (d.COLORS ? d.HEADS / lines / d.COLORS : 0) * d.NOZZLESPERHEAD;
    const double ydpi = d.uiDPIColorMode ? double(h.uiYDPI) : 2.0 * h.uiYDPI;
    const unsigned interlace = std::max(1u, d.fHeadDPI > 0 ? unsigned((ydpi + 0.5) / d.fHeadDPI) : 1u);
    const unsigned nozzlesPerPass = perColor / std::max(1u, passes);
    const unsigned linesPerStep = interlace * nozzlesPerPass;
    if (linesPerStep == 0) return 0;
    const unsigned start = row[kColStartPass].toUInt();
    const uint64_t allLines = uint64_t(interlace) * d.headAlignment.MAXHEADOFFSETY + h.uiHeight;
    const unsigned steps = unsigned((allLines + linesPerStep - 1) / linesPerStep) + passes - 1;
    const unsigned left = steps > start ? steps - start : 0;
    // One pass: the printing sweep, the carriage back (one-way printing) while the media feeds.
    const double mmPerStep = double(d.fMMPerXStep);
    const double native = mmPerStep > 0 ? 25.4 / mmPerStep : 180.0;
    const double widthMM = 25.4 * h.uiWidth / (std::abs(native - h.uiXDPI) < 11 ? native : double(h.uiXDPI));
    const double sweepMM = widthMM + 14.0 + (d.uiHeadWidth + 2.0 * d.uiAccelerationLength + 100.0) * mmPerStep;
    const unsigned speed = std::max(1u, d.uiXSpeed);
    const double accS = std::max(0, d.iXAccTime) / 1000.0;
    const double sweep = moveSeconds(sweepMM, xSpeedMMs(d, speed), accS);
    const double back = d.bUnidirection ? moveSeconds(sweepMM, xSpeedMMs(d, std::min(speed + 1, 4u)), accS) : 0.0;
    const double yPulsesPerMM = d.fMMPerYStep > 0 ? double(d.fYStepToMM) / double(d.fMMPerYStep) : 0;
    const double feedMM = 4.0 * nozzlesPerPass * double(d.fMMPerYStep);
    const int ySpeed = d.YSpeedPause[std::min(d.uiYSpeed, 4u)];
    const double feed = ySpeed > 0 && yPulsesPerMM > 0
                            ? moveSeconds(feedMM, kYPulsesPerUnit * ySpeed / yPulsesPerMM, std::max(0, d.iYAccTime) / 1000.0)
                            : 0.0;
    const double pass = sweep + std::max(back, feed) + kPassOverhead;
    // Each copy starts with the carriage brought from its park to the first pass and ends with it
    // parked again.
    const double marginMM = row[kColMargin].toDouble() + d.uiStartPos1 * mmPerStep;
    const double startMM = d.bUnidirectionToLeft
                               ? marginMM + 7.0 + (d.uiHeadWidth + d.uiAccelerationLength + 100.0) * mmPerStep + widthMM
                               : std::max(0.0, marginMM - 7.0 - d.uiAccelerationLength * mmPerStep);
    const double copy = kCopyOverhead + 2.0 * moveSeconds(startMM, xSpeedMMs(d, speed), accS);
    return copies * copy + double(left) * pass + double(copies - 1) * steps * pass;
}

QString estimateText(double seconds) {
    if (!(seconds > 0)) return {};
    const long s = std::lround(seconds);
    if (s >= 3600) return QString::asprintf("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return QString::asprintf("%02ld:%02ld", s / 60, s % 60);
}

} // namespace orvix

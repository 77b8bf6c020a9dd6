// Conversions between millimetres and axis steps, and between job and native X steps.
// All arithmetic is done in double and narrowed at the end.
#include <cmath>
#include <cstdint>

#include "core/DrvPrint.h"

namespace {

// One X dot of the job is 25.4 / dpi millimetres.
constexpr double kMMPerInch = 25.4;
// The Y float conversions assume this resolution until a job header has set one.
constexpr uint32_t kDefaultYDPI = 180;

// Truncates toward zero into the 32-bit range: NaN gives 0, anything beyond the range its end.
int32_t truncToInt32(double v) {
    if (std::isnan(v)) return 0;
    v = std::trunc(v);
    if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// +0.5 whatever the sign, then toward zero: -6.587 gives -6.
int32_t roundUpByHalf(double v) { return truncToInt32(v + 0.5); }

// +0.5 above zero, -0.5 at or below zero, then toward zero: -7.087 gives -7, 0 gives 0.
int32_t roundHalfAwayFromZero(double v) { return truncToInt32(v > 0 ? v + 0.5 : v - 0.5); }

// The rounding term of the steps-to-millimetres float forms: none for zero steps.
double roundingTerm(double s) { return s > 0 ? 0.5 : (s < 0 ? -0.5 : 0.0); }

// Length of s dots at dpi, rounded half away from zero to 0.1 mm.
float dotsToTenthMM(double s, uint32_t dpi) {
    return static_cast<float>(std::trunc(kMMPerInch / dpi * s * 10 + roundingTerm(s)) * 0.1);
}

} // namespace

int32_t CDrvPrint::XMMToPulse(int32_t mm) {
    if (fMMPerXStep == 0.0f) return 0;
    return roundUpByHalf(mm / static_cast<double>(fMMPerXStep));
}

int32_t CDrvPrint::YMMToPulse(int32_t mm) {
    if (fMMPerYStep == 0.0f) return 0;
    return roundUpByHalf(mm / static_cast<double>(fMMPerYStep));
}

int32_t CDrvPrint::XPulseToMM(int32_t steps) { return roundUpByHalf(static_cast<double>(fMMPerXStep) * steps); }

int32_t CDrvPrint::YPulseToMM(int32_t steps) { return roundUpByHalf(steps * static_cast<double>(fMMPerYStep)); }

int32_t CDrvPrint::fXMMToPulse(float mm) {
    if (fMMPerXStep == 0.0f) return 0;
    return roundHalfAwayFromZero(mm / static_cast<double>(fMMPerXStep));
}

int32_t CDrvPrint::fYMMToPulse(float mm) {
    if (ripHead.uiYDPI == 0) ripHead.uiYDPI = kDefaultYDPI;
    return roundHalfAwayFromZero(mm / (kMMPerInch / ripHead.uiYDPI));
}

float CDrvPrint::fXPulseToMM(int32_t steps) {
    const double s = steps;
    // Before a job header is read there is no job resolution: plain native steps, unrounded.
    if (ripHead.uiXDPI == 0) return static_cast<float>(s * fMMPerXStep);
    return dotsToTenthMM(s, ripHead.uiXDPI);
}

float CDrvPrint::fYPulseToMM(int32_t dots) {
    if (ripHead.uiYDPI == 0) ripHead.uiYDPI = kDefaultYDPI;
    return dotsToTenthMM(dots, ripHead.uiYDPI);
}

float CDrvPrint::F_DPIRate(int direction, float value) {
    const double rate = fDPIRate;
    if (direction != 0) return static_cast<float>(value * rate);
    // A zero rate is never set by a job; take it as the native rate rather than divide by it.
    if (rate == 0.0) return value;
    return static_cast<float>((1.0 / rate) * value);
}

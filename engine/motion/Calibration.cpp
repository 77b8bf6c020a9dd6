// Motor-pulse factors from a calibration move: what was asked against what the ruler says.
#include <cmath>

#include "core/DrvPrint.h"

namespace {

float corrected(float factor, float commanded, float measured) {
    if (!(measured > 0.0f) || !std::isfinite(commanded) || !std::isfinite(measured)) return factor;
    return static_cast<float>(double(commanded) * double(factor) / double(measured));
}

} // namespace

float CDrvPrint::MOVMeasureXRate(float commanded, float measured) { return corrected(fXStepToMM, commanded, measured); }

float CDrvPrint::MOVMeasureYRate(float commanded, float measured) { return corrected(fYStepToMM, commanded, measured); }

// Conversion between job dots and native X steps.
#include <cmath>
#include <cstdint>

#include "core/DrvPrint.h"

unsigned CDrvPrint::UI_DPIRate(int mode, unsigned value) const {
    // The rate is a divisor; a zero or broken rate (from a hand-edited file) counts as 1 rather
    // than turning every position into nonsense.
    const double rate = (std::isfinite(fDPIRate) && fDPIRate > 0.0f) ? double(fDPIRate) : 1.0;
    const double v = mode ? double(value) * rate : (1.0 / rate) * double(value);
    if (!(v > 0.0)) return 0;
    if (v >= double(UINT32_MAX)) return UINT32_MAX;
    return static_cast<unsigned>(v);
}

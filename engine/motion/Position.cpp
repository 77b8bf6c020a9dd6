// The carriage path model and absolute positioning.
#include <algorithm>
#include <cstdint>

#include "core/DrvPrint.h"
#include "hardware/DIOCard.h"

namespace {

// Positions are unsigned steps: a path that would reach below 0 is held at 0.
unsigned clampPosition(int64_t v) { return static_cast<unsigned>(std::clamp<int64_t>(v, 0, UINT32_MAX)); }

} // namespace

void CDrvPrint::PRNInitLimitPosition() {
    const int64_t home = iXEncoderInitial;
    if (bRepositionLeft) {
        uiLeftLimitPos = clampPosition(home);
        uiRightLimitPos = clampPosition(home + uiMovingLength);
    } else {
        uiRightLimitPos = clampPosition(home);
        uiLeftLimitPos = clampPosition(home - int64_t(uiMovingLength));
    }
    uiXTarget = clampPosition(home);
    uiMovedPosition = clampPosition(home);
}

void CDrvPrint::PRNSetPosition(uint32_t target, unsigned speed, int wait) {
    const unsigned c = uiXTarget;
    const int s = static_cast<int>(std::min(speed, 4u));
    if (c > target) MOVMoveX(1, s, static_cast<int>(std::min<int64_t>(int64_t(c) - target, INT32_MAX)), wait);
    else if (c < target) MOVMoveX(0, s, static_cast<int>(std::min<int64_t>(int64_t(target) - c, INT32_MAX)), wait);
    uiPreviousXTarget = c;
    uiXTarget = target;
    if (wait && int64_t(target) == int64_t(iXEncoderInitial)) {
        if (bUseDIOCard == 1) AUXDIOSet(DIO_SET_WIPER_ENABLE, 0);
        if (bCLNBoard == 1) AUXCLNSet(12, 1); // the cleaning station comes up under the heads
    }
}

int32_t CDrvPrint::PRNGetPosition(unsigned position, unsigned mode) {
    if (mode == 0) return XPulseToMM(static_cast<int32_t>(position));
    if (mode == 1) return XPulseToMM(static_cast<int32_t>(int64_t(position) - int64_t(uiLeftLimitPos)));
    return 1;
}

unsigned CDrvPrint::PRNGetFirePosition() {
    const int32_t mm = XPulseToMM(static_cast<int32_t>(int64_t(uiFire) - int64_t(uiLeftLimitPos)));
    return mm > 0 ? static_cast<unsigned>(mm) : 0u; // a fire position before the path starts at 0
}

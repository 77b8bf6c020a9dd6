// Colour-bar geometry of a job, in job dots.
#include <cstdint>

#include "core/DrvPrint.h"

void CDrvPrint::PRNSetColorBar() {
    if (!colorBar.bEnable) {
        uiColorBarWidth = 0;
        uiColorBarDistance = 0;
        uiColorBarMixedWidth = 0;
        return;
    }
    if (colorBar.uiMode != 0) return;

    auto dots = [this](unsigned steps) {
        unsigned v = UI_DPIRate(1, steps);
        // The 8-line card layout moves whole bytes of 8 dots.
        if (bEightLineMode && v <= UINT32_MAX - 7) v = (v + 7) / 8 * 8;
        return v;
    };
    uiColorBarDistance = dots(colorBar.uiDistance);
    uiColorBarMixedWidth = dots(colorBar.uiWidthMixed);
    uiColorBarEachWidth = dots(colorBar.uiWidth);
    uiColorBarPosition = colorBar.uiPosition;
    uiColorBarWidth = COLORS * uiColorBarEachWidth + uiColorBarMixedWidth + uiColorBarDistance;
    if (uiColorBarPosition == 2) uiColorBarWidth *= 2;
}

// The heads' largest X offset for the direction of the coming pass.
#include "core/DrvPrint.h"

void CDrvPrint::PRNSetMaxOffset() {
    uiMaxHeadOffset = 0;
    for (unsigned h = 0; h < HEADS && h < kMaxHeads; ++h) {
        int off = bPassToLeft ? headAlignment.HeadOffsetXL[h] : headAlignment.HeadOffsetXR[h];
        if (off > 0 && unsigned(off) > uiMaxHeadOffset) uiMaxHeadOffset = unsigned(off);
    }
    uiHeadsSpan = GRADIENTOFFSET == 0 ? uiMaxHeadOffset + 100 : uiHeadWidth + 100;
}

// Parts of the print loop that the pass geometry already needs.
#include "core/DrvPrint.h"

void CDrvPrint::PRNSetMaxOffset() {
    uiMaxHeadOffset = 0;
    for (unsigned h = 0; h < HEADS && h < kMaxHeads; ++h) {
        int off = bPassToLeft ? headAlignment.HeadOffsetXL[h] : headAlignment.HeadOffsetXR[h];
        if (off > 0 && unsigned(off) > uiMaxHeadOffset) uiMaxHeadOffset = unsigned(off);
    }
    uiHeadsSpan = GRADIENTOFFSET == 0 ? uiMaxHeadOffset + 100 : uiHeadWidth + 100;
}

// The band reader comes with the print loop; until then a resumed job reads nothing ahead.
int CDrvPrint::PRNReadData() { return 0; }

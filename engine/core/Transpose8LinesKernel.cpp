// The 8-line vector kernel built for every x86-64 (SSE2).
#include "core/Transpose8LinesKernel.h"

#if defined(__x86_64__)
void kernel8::shiftedGroups(Lanes16* blocks, int nblocks, int64_t R, uint8_t* card, int64_t cardSize, int64_t K8) {
    shiftedGroupsBody(blocks, nblocks, R, card, cardSize, K8);
}
#endif

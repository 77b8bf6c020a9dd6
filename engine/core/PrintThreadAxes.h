#pragma once
// The axis operations the print thread needs, in one place. They drive the card's first
// generation (DSP) motion registers directly; when the engine's own motion operations are in,
// these forward to them and nothing else of the print thread changes.
#include <cstdint>

class CDrvPrint;

namespace printaxes {

void MOVMoveX(CDrvPrint& d, int direction, unsigned speed, int32_t distance, int wait);
void MOVMoveY(CDrvPrint& d, int direction, unsigned speed, int32_t distance, int wait);
// Bounded waits: 1 when the axis came to rest, 0 after the time limit or on an emergency stop.
int MOVWaitUntilXStop(CDrvPrint& d, int correct);
int MOVWaitUntilYStop(CDrvPrint& d);
int MOVCorrectMovement(CDrvPrint& d, int correct);
void MOVSetParamsMovement(CDrvPrint& d);
int MOVCheckIfMoveX(CDrvPrint& d);
unsigned MOVGetXPosition(CDrvPrint& d);
void PRNSetPosition(CDrvPrint& d, unsigned target, unsigned speed, int wait);

} // namespace printaxes

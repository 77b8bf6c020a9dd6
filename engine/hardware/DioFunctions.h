#pragma once
// The numbered input and output functions of the I/O card, as the engine's AUX operations use
// them. Each is one table row: its line, whether it reads inverted, and the few with a rule of
// their own (the confirmed emergency-stop read, the falling wiper line, the wiper enable and the
// wiper position with its feedback).
#include "hardware/DIOCard.h"

namespace hw {

// Value of an input function; 0 for unknown functions.
int dioGet(CDIOCard& card, int func);
// Runs an output function: 1 or -1 as the write went, the state for the wiper position, 1 for
// unknown functions (which do nothing).
int dioSet(CDIOCard& card, int func, int state);
// Selector reading index 0..5 from its two input functions; 0 for other indexes.
int dioSelector(CDIOCard& card, unsigned index);

// Timing of the wiper and the emergency-stop input.
constexpr unsigned kWiperEnableGapMs = 10;      // between the two writes of the enable line
constexpr unsigned kWiperDisableDelayMs = 500;  // before switching the enable line off
constexpr unsigned kWiperRepeatMs = 100;        // between the two writes of the position line
constexpr unsigned kWiperSettleMs = 500;        // after them
constexpr unsigned kWiperPolls = 100;           // feedback polls, 10 ms apart
constexpr unsigned kWiperPollMs = 10;
constexpr unsigned kEmergencyConfirmMs = 200;   // second read of a pressed emergency stop

} // namespace hw

#pragma once
// The one clock of the process. Every wait and poll of the engine and the virtual printer goes
// through it, so a time scale (CARVEX_TIME_SCALE, default 1) speeds both up alike: a sleep of
// N ms lasts N/scale real ms, and ticks advance scale times faster than real time.
#include <cstdint>

namespace platform {

double timeScale();
// Changes the scale without making virtual time jump or run backwards.
void setTimeScale(double scale);

// Virtual milliseconds since the process started (wraps like a 32-bit tick counter).
uint32_t tickMs();
// Virtual microseconds since the process started, for models that need finer time.
uint64_t nowUs();

void sleepMs(uint32_t ms);
void sleepUs(uint64_t us);

} // namespace platform

#pragma once
// The print control commands (print, stop, pause, continue, home, moves, cleaning, flash,
// network, the last job, auxiliary switches, head parameters), their keyboard accelerators and
// the pressed states that read the machine, the control bar's job values taken as they are
// edited, test prints and network jobs.
#include <QString>

#include <optional>

class CDrvPrint;

namespace orvix {

class ControlBar;
class MainFrame;
class OrvixApp;
class PrintQueue;

void installMachineCommands(MainFrame& frame, PrintQueue& queue);

// Manual carriage moves ("向左" direction 1, "向右" direction 0) by the control bar's distance (mm):
// a moving carriage is stopped and settled instead; the target is held within the travel ends.
void moveCarriage(OrvixApp& app, int left, int distanceMM);
// Where a manual move goes: uiXTarget -/+ the distance, held within uiLeftLimitPos..uiRightLimitPos.
unsigned manualTarget(const CDrvPrint& d, bool left, int64_t steps);
// Stops the carriage and waits (bounded) until two position reads 50 ms apart agree; false when
// it did not settle within kSettleLimitMs (the operator was told).
bool stopAndSettle(CDrvPrint& d);
constexpr unsigned kSettleLimitMs = 5000;
// mm/s from two positions (X steps) and the ticks between them; 0 when no time passed.
unsigned carriageSpeed(CDrvPrint& d, unsigned x0, unsigned x1, uint32_t ticks);

// Control bar edits: the speed at once, the others once their edit is finished.
constexpr int kMaxCopies = 255;
void takeSpeed(CDrvPrint& d, int selection);
bool takeCopies(CDrvPrint& d, const QString& text);  // 1..255; others ignored (false)
std::optional<unsigned> copiesIn(const QString& text);
// A margin below 65536 mm whose fire position stays on the carriage's travel (false otherwise).
bool takeMargin(CDrvPrint& d, ControlBar& bar, const QString& text);
std::optional<unsigned> marginIn(CDrvPrint& d, const QString& text); // in X steps
// Speed, copies and margin as the bar shows them, by the rules above.
void takeControlBarValues(CDrvPrint& d, ControlBar& bar);
// A fire position (mm from the left travel end) on the carriage's travel.
bool fireInRange(CDrvPrint& d, const QString& text);
// A place `fromLeftLimit` steps right of the left travel end lies on the travel (any place while
// the ends are not known).
bool withinTravel(const CDrvPrint& d, int64_t fromLeftLimit);

// The test print of the control bar's test list; refused unless the engine is ready.
void testPrint(MainFrame& frame);
// The speed test over `distanceMM`: trips, time, area, output; the message text ("时间: ..."
// three lines), "" when the test was stopped. Runs on the machine-work thread.
QString speedTest(CDrvPrint& d, int distanceMM);
// A network job is ready: printed when the engine is ready and network printing is on.
bool networkJob(MainFrame& frame);

} // namespace orvix

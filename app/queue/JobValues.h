#pragma once
// What a queue row asks of the engine: the job values the queue worker sets before it starts the
// row's job, and the time the job should take on this machine.
#include "queue/QueueRow.h"

class CDrvPrint;

namespace orvix {

// Passes a band: the number the pass text begins with ("4 Pass" -> 4); when it begins with none,
// the pass count of the row's mode.
unsigned passCountOfRow(const QueueRow& row);

// Sets the engine's job values from a row: file, pass mode (the mode of its text) and count, copies, fire position from
// the margin, ordinary job, the channels' ink levels, start pass, mirror, media fed. The carriage
// speed is the control bar's (`speedSelection` + 1), not the row's; a negative selection keeps it.
void setJobValues(CDrvPrint& d, const QueueRow& row, int speedSelection);

// Estimated seconds a row's job takes with the machine's settings: its passes (sweeps at the
// carriage speed with run-up and braking, media feeds) for every copy. 0 when the file cannot be
// read.
double estimateSeconds(CDrvPrint& d, const QueueRow& row);
// "mm:ss" (or "h:mm:ss") of an estimate; "" for none.
QString estimateText(double seconds);

} // namespace orvix

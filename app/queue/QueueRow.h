#pragma once
// One row of the print queue: sixteen texts, the columns of the list. The row is what the queue
// file stores (columns 0 to 14) and what the queue worker turns into the engine's job values.
#include <QString>
#include <QStringList>

#include <array>

#include "core/JobList.h"
#include "queue/PassModes.h"

class CDrvPrint;
struct RipHead;

namespace orvix {

enum QueueColumn : int {
    kColFile = 0,    // file name
    kColPass,        // pass-mode text ("4 Pass")
    kColSpeed,       // speed text
    kColCopies,      // copies
    kColMargin,      // white margin, mm
    kColSize,        // "%.3fx%.3f:%.3fm2"
    kColDpi,         // "%dx%d"
    kColStatus,      // progress while printing
    kColPath,        // full path of the RIP file
    kColPassIndex,   // pass index
    kColSpeedIndex,  // speed index, 1-based
    kColInk,         // mean ink level, then ten per-channel levels, each followed by ","
    kColColors,      // colour channels
    kColStartPass,   // the job starts at this pass (0: from the beginning)
    kColMirror,      // "YES" or "NO"
    kColMediaFed,    // the media is fed for the start pass already (0 or 1); not stored
    kColEstimate,    // estimated print time (shown only; not stored)
    kColumnCount
};
// Columns the queue file keeps for each row.
constexpr int kStoredColumns = 15;
// Per-channel ink levels a row carries.
constexpr int kRowInkChannels = 10;

using QueueRow = std::array<QString, kColumnCount>;

struct ColumnInfo {
    const char* heading; // source text (context "Queue")
    int width;           // pixels; 0 hidden
};
const std::array<ColumnInfo, kColumnCount>& queueColumns();

// "%.3fx%.3f:%.3fm2" and "%dx%d" of a RIP header.
QString sizeText(const RipHead& h);
QString dpiText(const RipHead& h);
// Mean of the levels (rounded as the machine rounds: (sum + n/2) / n), then up to ten levels;
// absent channels 0. Eleven numbers, each followed by ",".
QString inkText(const unsigned* levels, unsigned channels);
// A file name the queue file can keep: no TAB, no line break (they are its separators).
bool storableName(const QString& path);

// The row of a RIP file with the job values the control bar and the engine give.
struct RowValues {
    QString passText;
    unsigned passIndex = 0; // the mode index (PRINTMODE uiPass) of the text
    QString speedText;
    unsigned speedIndex = 1;
    unsigned copies = 1;
    unsigned marginMM = 0;
    bool mirror = false;
};
QueueRow makeRow(CDrvPrint& d, const QString& path, const RowValues& v);

// The job record of a row, read as the queue worker reads it.
JobList jobOfRow(const QueueRow& row);
// The row of a job record (the last job loaded from the printing status).
QueueRow rowOfJob(const JobList& job);

// The queue file's value of a row: columns 0 to 14, each followed by a TAB.
QString rowToLine(const QueueRow& row);
// Splits a stored value back into a row; false (with the reason) when it is not a row.
bool rowFromLine(const QString& line, QueueRow& row, QString* why = nullptr);

} // namespace orvix

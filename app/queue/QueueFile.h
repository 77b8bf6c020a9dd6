#pragma once
// The queue file "PrintList.ini" in the machine folder: section PRINTLIST, one key a row (Job0,
// Job1, ...), each value the row's columns 0 to 14 each followed by a TAB. Written as a whole
// (temporary file, then renamed over), so a crash leaves the old queue or the new one.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

#include "queue/QueueRow.h"

namespace orvix {

constexpr const char* kQueueFileName = "PrintList.ini";
// Rows read at most; the file is refused above kQueueFileMaxBytes and a value above
// kQueueLineMaxChars is not a row.
constexpr int kQueueMaxRows = 100000;
constexpr qint64 kQueueFileMaxBytes = 64ll << 20;
constexpr int kQueueLineMaxChars = 16384;

struct QueueLoad {
    std::vector<QueueRow> rows;
    QStringList problems; // one line per value or file problem ("Job3: too few columns")
};

// Reads the rows in key order up to the first missing or empty value. Damaged values are
// skipped and reported; nothing here fails hard.
QueueLoad loadQueueFile(const QString& path);
// The same rules on the file's bytes (the file's size limit included).
QueueLoad parseQueueFile(std::string_view bytes);
// The bytes saveQueueFile writes for the rows.
QByteArray queueFileText(const std::vector<QueueRow>& rows);
// Writes the rows, or deletes the file when there are none. False when it could not be written.
bool saveQueueFile(const QString& path, const std::vector<QueueRow>& rows);

} // namespace orvix

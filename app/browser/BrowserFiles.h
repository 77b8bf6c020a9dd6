#pragma once
// The RIP folder's naming rules and the texts of the browser's rows: which files are RIP files,
// the preview bitmap beside each, the RIP file behind a listed bitmap, and the row formats.
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orvix {

// 1 for a ".prn" print file, 3 for a ".prt" mark file, 0 for anything else (case-insensitive).
int ripFileType(const QString& path);
// The preview bitmap of a RIP file: its last four characters replaced by ".bmp".
QString companionBitmap(const QString& rip);
// The RIP file behind a listed entry: ".prt" when that file exists, else ".prn" when that exists,
// else "".
QString ripFileOf(const QString& entry);
// The ink-coverage file kept beside a preview bitmap.
QString coverageFileOf(const QString& bitmap);

// The list filter: extensions without the dot; "*" matches everything. Case-insensitive.
bool passesFilter(const QString& path, const QStringList& filter);

// "1,234,567"
QString sizeText(qint64 bytes);
// "%02d-%02d-%02d %02d:%02d": two-digit year, month, day, hour, minute (local time).
QString modifiedText(const QDateTime& t);
// The type column: "BMP 图像" and the like.
QString typeText(const QString& path);

// The cell colour of a thumbnail by its file's extension (white for the unknown ones).
QColor cellColour(const QString& path);
// 2^(bits per pixel x planes) as "%d", "%dK" or "%dM".
QString colourCountText(unsigned bitsPerPixel, unsigned planes);

} // namespace orvix

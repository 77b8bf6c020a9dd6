#include "browser/BrowserFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace orvix {

int ripFileType(const QString& path) {
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".prn"))) return 1;
    if (lower.endsWith(QLatin1String(".prt"))) return 3;
    return 0;
}

QString companionBitmap(const QString& rip) {
    if (rip.size() < 4) return QString();
    return rip.left(rip.size() - 4) + QStringLiteral(".bmp");
}

QString ripFileOf(const QString& entry) {
    if (entry.size() < 3) return QString();
    const QString stem = entry.left(entry.size() - 3);
    for (const char* ext : {"prt", "PRT", "prn", "PRN"}) {
        const QString rip = stem + QLatin1String(ext);
        if (rip != entry && QFileInfo(rip).isFile()) return rip;
    }
    return QString();
}

QString coverageFileOf(const QString& bitmap) {
    const int dot = bitmap.lastIndexOf(QLatin1Char('.'));
    const int slash = bitmap.lastIndexOf(QLatin1Char('/'));
    return (dot > slash ? bitmap.left(dot) : bitmap) + QStringLiteral(".ink");
}

bool passesFilter(const QString& path, const QStringList& filter) {
    const QString suffix = QFileInfo(path).suffix();
    for (const QString& f : filter)
        if (f == QLatin1String("*") || f.compare(suffix, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString sizeText(qint64 bytes) {
    QString digits = QString::number(bytes < 0 ? -bytes : bytes);
    for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
    return bytes < 0 ? QLatin1Char('-') + digits : digits;
}

QString modifiedText(const QDateTime& t) {
    const QDateTime l = t.toLocalTime();
    return QString::asprintf("%02d-%02d-%02d %02d:%02d", l.date().year() % 100, l.date().month(), l.date().day(),
                             l.time().hour(), l.time().minute());
}

QString typeText(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toUpper();
    if (suffix.isEmpty()) return QCoreApplication::translate("Browser", "文件");
    return QCoreApplication::translate("Browser", "%1 文件").arg(suffix);
}

QColor cellColour(const QString& path) {
    struct Entry {
        const char* ext;
        QRgb colour;
    };
    static const Entry table[] = {
        {"bmp", qRgb(231, 231, 255)}, {"dib", qRgb(231, 231, 255)}, {"gif", qRgb(214, 235, 214)},
        {"jpg", qRgb(239, 235, 206)}, {"jpe", qRgb(239, 235, 206)}, {"jif", qRgb(239, 235, 206)},
        {"jpeg", qRgb(239, 235, 206)}, {"pcx", qRgb(239, 231, 231)}, {"png", qRgb(231, 223, 214)},
        {"psd", qRgb(255, 255, 222)}, {"tga", qRgb(231, 255, 255)}, {"tif", qRgb(189, 203, 231)},
        {"tiff", qRgb(189, 203, 231)}, {"emf", qRgb(214, 211, 214)}, {"iff", qRgb(255, 235, 239)},
        {"wmf", qRgb(181, 182, 181)},
    };
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    for (const Entry& e : table)
        if (suffix == e.ext) return QColor(e.colour);
    return QColor(Qt::white); // ".awd", ".dcx", ".eps", ".ico", ... and every other extension
}

QString colourCountText(unsigned bitsPerPixel, unsigned planes) {
    // A header claiming more than 48 bits is nonsense; it is shown as 48 rather than overflow.
    const unsigned bits = std::min(bitsPerPixel * (planes ? planes : 1), 48u);
    const qulonglong n = qulonglong(1) << bits;
    if (n < 1024) return QString::number(n);
    if (n < 1048576) return QStringLiteral("%1K").arg(n / 1024);
    return QStringLiteral("%1M").arg(n / 1048576);
}

} // namespace orvix

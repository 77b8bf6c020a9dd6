#include "queue/QueueRow.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

#include "core/DrvPrint.h"

namespace orvix {

const std::array<ColumnInfo, kColumnCount>& queueColumns() {
    static const std::array<ColumnInfo, kColumnCount> columns = {{
        {QT_TRANSLATE_NOOP("Queue", "文件名"), 150},
        {"Pass", 40},
        {QT_TRANSLATE_NOOP("Queue", "车速"), 0},
        {QT_TRANSLATE_NOOP("Queue", "数量"), 50},
        {QT_TRANSLATE_NOOP("Queue", "白边"), 50},
        {QT_TRANSLATE_NOOP("Queue", "尺寸"), 50},
        {"DPI", 50},
        {QT_TRANSLATE_NOOP("Queue", "状态"), 60},
        {QT_TRANSLATE_NOOP("Queue", "路径文件名"), 40},
        {"P", 0},
        {"S", 0},
        {"I", 0},
        {QT_TRANSLATE_NOOP("Queue", "颜色"), 30},
        {QT_TRANSLATE_NOOP("Queue", "跳Pass打印"), 30},
        {QT_TRANSLATE_NOOP("Queue", "镜向"), 60},
        {QT_TRANSLATE_NOOP("Queue", "步进"), 0},
        {QT_TRANSLATE_NOOP("Queue", "预计时间"), 70},
    }};
    return columns;
}

QString sizeText(const RipHead& h) {
    const double w = h.uiXDPI ? 0.0254 / h.uiXDPI * h.uiWidth : 0.0;
    const double l = h.uiYDPI ? 0.0254 / h.uiYDPI * h.uiHeight : 0.0;
    return QString::asprintf("%.3fx%.3f:%.3fm2", w, l, w * l);
}

QString dpiText(const RipHead& h) { return QString::asprintf("%dx%d", int(h.uiXDPI), int(h.uiYDPI)); }

QString inkText(const unsigned* levels, unsigned channels) {
    const unsigned n = std::min<unsigned>(channels, kRowInkChannels);
    uint64_t sum = 0;
    for (unsigned i = 0; i < n; ++i) sum += levels[i];
    QString out = QString::number(n ? (sum + n / 2) / n : 0) + QLatin1Char(',');
    for (unsigned i = 0; i < kRowInkChannels; ++i) out += QString::number(i < n ? levels[i] : 0) + QLatin1Char(',');
    return out;
}

bool storableName(const QString& path) {
    for (QChar c : path)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) return false;
    return true;
}

QueueRow makeRow(CDrvPrint& d, const QString& path, const RowValues& v) {
    QueueRow r;
    RipHead h;
    const bool read = d.AUXGetRipHead(path.toStdString(), &h) == 0;
    const unsigned colours = read ? h.uiColors : 0;
    unsigned levels[kRowInkChannels] = {};
    for (unsigned i = 0; i < kRowInkChannels && i < kMaxColors; ++i) levels[i] = d.uiMaskIndex[i];
    r[kColFile] = QFileInfo(path).fileName();
    r[kColPass] = v.passText;
    r[kColSpeed] = v.speedText;
    r[kColCopies] = QString::number(v.copies);
    r[kColMargin] = QString::number(v.marginMM);
    r[kColSize] = read ? sizeText(h) : QString();
    r[kColDpi] = read ? dpiText(h) : QString();
    r[kColPath] = path;
    r[kColPassIndex] = QString::number(v.passIndex);
    r[kColSpeedIndex] = QString::number(v.speedIndex);
    r[kColInk] = inkText(levels, colours);
    r[kColColors] = QString::number(colours);
    r[kColStartPass] = QStringLiteral("0");
    r[kColMirror] = v.mirror ? QStringLiteral("YES") : QStringLiteral("NO");
    r[kColMediaFed] = QStringLiteral("0");
    return r;
}

JobList jobOfRow(const QueueRow& row) {
    JobList j;
    j.csFile = row[kColFile].toStdString();
    j.csPassText = row[kColPass].toStdString();
    j.uiPass = row[kColPassIndex].toUInt();
    j.csSpeedText = row[kColSpeed].toStdString();
    j.uiSpeed = row[kColSpeedIndex].toUInt();
    j.uiQty = row[kColCopies].toUInt();
    j.uiMarginMM = uint32_t(row[kColMargin].toInt());
    j.csSize = row[kColSize].toStdString();
    j.csDPI = row[kColDpi].toStdString();
    j.csPath = row[kColPath].toStdString();
    // The mean, then the channels; a number that is not one reads 0, as the machine reads it.
    const QStringList ink = row[kColInk].split(QLatin1Char(','));
    for (int i = 0; i < ink.size() && i < 1 + int(std::size(j.uiColorMask)); ++i) {
        const uint32_t v = ink[i].trimmed().toUInt();
        if (i == 0) j.uiColorMaskAvg = v;
        else j.uiColorMask[i - 1] = v;
    }
    j.uiColors = row[kColColors].toUInt();
    j.uiResumePass = row[kColStartPass].toUInt();
    j.bMirror = row[kColMirror] == QLatin1String("YES") ? 1 : 0;
    j.bMediaFed = row[kColMediaFed].toUInt() ? 1 : 0;
    return j;
}

QueueRow rowOfJob(const JobList& j) {
    QueueRow r;
    r[kColFile] = QString::fromStdString(j.csFile);
    r[kColPass] = QString::fromStdString(j.csPassText);
    r[kColSpeed] = QString::fromStdString(j.csSpeedText);
    r[kColCopies] = QString::number(j.uiQty);
    r[kColMargin] = QString::number(int32_t(j.uiMarginMM));
    // The printing status writes "... m2"; the list writes "...m2".
    r[kColSize] = QString::fromStdString(j.csSize).remove(QLatin1Char(' '));
    r[kColDpi] = QString::fromStdString(j.csDPI);
    r[kColPath] = QString::fromStdString(j.csPath);
    r[kColPassIndex] = QString::number(j.uiPass);
    r[kColSpeedIndex] = QString::number(j.uiSpeed);
    QString ink = QString::number(j.uiColorMaskAvg) + QLatin1Char(',');
    for (int i = 0; i < kRowInkChannels; ++i) ink += QString::number(j.uiColorMask[i]) + QLatin1Char(',');
    r[kColInk] = ink;
    r[kColColors] = QString::number(j.uiColors);
    r[kColStartPass] = QString::number(j.uiResumePass);
    r[kColMirror] = j.bMirror ? QStringLiteral("YES") : QStringLiteral("NO");
    r[kColMediaFed] = QString::number(j.bMediaFed ? 1 : 0);
    return r;
}

QString rowToLine(const QueueRow& row) {
    QString out;
    for (int c = 0; c < kStoredColumns; ++c) out += row[c] + QLatin1Char('\t');
    return out;
}

bool rowFromLine(const QString& line, QueueRow& row, QString* why) {
    auto fail = [why](const char* text) {
        if (why) *why = QString::fromLatin1(text);
        return false;
    };
    for (QChar c : line)
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F || c == QChar::ReplacementCharacter)
            return fail("binary bytes");
    const QStringList parts = line.split(QLatin1Char('\t'));
    // Fifteen texts, each closed by a TAB: sixteen pieces, the last one empty.
    if (parts.size() < kStoredColumns + 1) return fail("too few columns");
    if (parts[kColPath].isEmpty()) return fail("no file");
    row = QueueRow{};
    for (int c = 0; c < kStoredColumns; ++c) row[c] = parts[c];
    row[kColMediaFed] = QStringLiteral("0");
    return true;
}

} // namespace orvix

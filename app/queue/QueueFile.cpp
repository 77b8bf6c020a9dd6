#include "queue/QueueFile.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>

#include "platform/Files.h"

namespace orvix {

QueueLoad loadQueueFile(const QString& path) {
    QueueLoad out;
    std::string bytes;
    switch (platform::readFileLimited(path.toStdString(), bytes, size_t(kQueueFileMaxBytes))) {
    case platform::ReadResult::Ok: break;
    case platform::ReadResult::Missing: return out;
    case platform::ReadResult::TooLarge:
        out.problems << QStringLiteral("%1 is larger than %2 MB: not read").arg(path).arg(kQueueFileMaxBytes >> 20);
        return out;
    default:
        out.problems << QStringLiteral("%1 cannot be read").arg(path);
        return out;
    }
    return parseQueueFile(bytes);
}

QueueLoad parseQueueFile(std::string_view bytes) {
    QueueLoad out;
    if (bytes.size() > size_t(kQueueFileMaxBytes)) {
        out.problems << QStringLiteral("the queue file is larger than %1 MB: not read").arg(kQueueFileMaxBytes >> 20);
        return out;
    }
    // The values of section PRINTLIST by key (keys compared without case, as the settings files).
    QHash<QString, QString> values;
    QHash<QString, QString> damaged; // keys whose value could not be taken, with the reason
    bool inSection = false;
    int lineNo = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string_view raw(bytes.data() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        // A damaged value keeps its key, so that the rows after it are still read.
        const size_t eqAt = raw.find('=');
        const std::string_view rawKey = eqAt == std::string_view::npos ? raw : raw.substr(0, std::min<size_t>(eqAt, 64));
        const QString keyText = QString::fromLatin1(rawKey.data(), qsizetype(rawKey.size())).trimmed();
        if (raw.size() > size_t(kQueueLineMaxChars) * 4) {
            if (inSection && eqAt != std::string_view::npos) damaged.insert(keyText.toLower(), QStringLiteral("value too long"));
            else out.problems << QStringLiteral("line %1: %2 bytes long, not a queue row").arg(lineNo).arg(raw.size());
            continue;
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(QByteArrayView(raw.data(), qsizetype(raw.size())));
        if (utf8.hasError()) {
            if (inSection && eqAt != std::string_view::npos) damaged.insert(keyText.toLower(), QStringLiteral("not text"));
            else out.problems << QStringLiteral("line %1: not text").arg(lineNo);
            continue;
        }
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            inSection = trimmed.compare(QLatin1String("[PRINTLIST]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed().toLower();
        if (!values.contains(key)) values.insert(key, line.mid(eq + 1));
    }
    for (int i = 0; i < kQueueMaxRows; ++i) {
        const QString key = QStringLiteral("job%1").arg(i);
        if (!values.contains(key) && damaged.contains(key)) {
            out.problems << QStringLiteral("Job%1: %2").arg(i).arg(damaged.value(key));
            continue;
        }
        const auto it = values.constFind(key);
        if (it == values.constEnd() || it->isEmpty()) return out;
        QueueRow row;
        QString why;
        if (it->size() > kQueueLineMaxChars) why = QStringLiteral("value too long");
        if (why.isEmpty() && rowFromLine(*it, row, &why))
            out.rows.push_back(std::move(row));
        else
            out.problems << QStringLiteral("Job%1: %2").arg(i).arg(why);
    }
    if (values.contains(QStringLiteral("job%1").arg(kQueueMaxRows)))
        out.problems << QStringLiteral("more than %1 rows: the rest is not read").arg(kQueueMaxRows);
    return out;
}

QByteArray queueFileText(const std::vector<QueueRow>& rows) {
    QByteArray text = "[PRINTLIST]\r\n";
    for (size_t i = 0; i < rows.size(); ++i)
        text += "Job" + QByteArray::number(qulonglong(i)) + '=' + rowToLine(rows[i]).toUtf8() + "\r\n";
    return text;
}

bool saveQueueFile(const QString& path, const std::vector<QueueRow>& rows) {
    if (rows.empty()) {
        QFile::remove(path);
        return !QFile::exists(path);
    }
    const QByteArray text = queueFileText(rows);
    return platform::writeFileAtomic(path.toStdString(), std::string_view(text.constData(), size_t(text.size())));
}

} // namespace orvix

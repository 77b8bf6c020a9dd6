#include "browser/ThumbCache.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

namespace orvix {

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;
constexpr quint32 kNullLength = 0xffffffffu;

quint32 le32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 le16(const char* p) { return qFromLittleEndian<quint16>(p); }

// Reads Qt's length-prefixed byte block, refusing lengths above `max` or beyond the data left.
bool readBlock(QDataStream& in, const QIODevice& dev, quint32 max, QByteArray& out) {
    quint32 n = 0;
    in >> n;
    if (in.status() != QDataStream::Ok) return false;
    if (n == kNullLength) {
        out.clear();
        return true;
    }
    if (n > max || qint64(n) > dev.bytesAvailable()) return false;
    out.resize(qsizetype(n));
    return in.readRawData(out.data(), int(n)) == int(n);
}

// A QString as Qt streams it: its UTF-16 byte count, then the units big-endian.
bool readString(QDataStream& in, const QIODevice& dev, quint32 maxChars, QString& out) {
    QByteArray bytes;
    if (!readBlock(in, dev, maxChars * 2, bytes) || bytes.size() % 2) return false;
    out.resize(bytes.size() / 2);
    for (qsizetype i = 0; i < out.size(); ++i) out[i] = QChar(qFromBigEndian<quint16>(bytes.constData() + 2 * i));
    return true;
}

} // namespace

QByteArray encodeSourceHeader(const SourceHeader& h) {
    QByteArray b(40, '\0');
    char* p = b.data();
    qToLittleEndian<quint32>(40, p);
    qToLittleEndian<qint32>(h.width, p + 4);
    qToLittleEndian<qint32>(h.height, p + 8);
    qToLittleEndian<quint16>(h.planes, p + 12);
    qToLittleEndian<quint16>(h.bitCount, p + 14);
    qToLittleEndian<quint32>(0, p + 16); // uncompressed
    qToLittleEndian<quint32>(h.imageSize, p + 20);
    return b;
}

std::optional<SourceHeader> decodeSourceHeader(const QByteArray& bytes) {
    if (bytes.size() != 40 || le32(bytes.constData()) != 40) return std::nullopt;
    const char* p = bytes.constData();
    SourceHeader h;
    h.width = qFromLittleEndian<qint32>(p + 4);
    h.height = qFromLittleEndian<qint32>(p + 8);
    h.planes = le16(p + 12);
    h.bitCount = le16(p + 14);
    h.imageSize = le32(p + 20);
    return h;
}

bool plausibleBmp(const QByteArray& bmp) {
    if (bmp.size() < 54 || quint32(bmp.size()) > kThumbMaxBmpBytes) return false;
    const char* p = bmp.constData();
    if (p[0] != 'B' || p[1] != 'M' || le32(p + 2) != quint32(bmp.size()) || le32(p + 14) != 40) return false;
    const qint32 width = qFromLittleEndian<qint32>(p + 18);
    const qint32 height = qFromLittleEndian<qint32>(p + 22);
    const quint16 planes = le16(p + 26), bits = le16(p + 28);
    const quint32 compression = le32(p + 30), coloursUsed = le32(p + 46);
    if (width < 1 || width > kThumbMaxSide || height == 0 || height < -kThumbMaxSide || height > kThumbMaxSide)
        return false;
    if (planes != 1 || compression != 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    quint64 palette = 0;
    if (bits <= 8) {
        const quint32 full = 1u << bits;
        if (coloursUsed > full) return false;
        palette = 4ull * (coloursUsed ? coloursUsed : full);
    }
    const quint64 rowBytes = ((quint64(width) * bits + 31) / 32) * 4;
    const quint64 rows = quint64(height < 0 ? -qint64(height) : height);
    const quint64 offset = le32(p + 10);
    return offset == 54 + palette && offset + rowBytes * rows == quint64(bmp.size());
}

std::optional<QList<ThumbRecord>> parseThumbCache(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    const QIODevice& dev = *in.device();
    QString description;
    if (!readString(in, dev, 64, description) || description != QLatin1String(kThumbCacheDescription))
        return std::nullopt;
    quint32 count = 0;
    in >> count;
    // Each record takes at least 54 + 40 bytes and three length words: a count the data cannot
    // hold is refused before anything is reserved.
    if (in.status() != QDataStream::Ok || count > kThumbCacheMaxEntries ||
        quint64(count) * (54 + 40 + 12) > quint64(dev.bytesAvailable()))
        return std::nullopt;
    QList<ThumbRecord> out;
    out.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        ThumbRecord r;
        if (!readString(in, dev, kThumbMaxNameChars, r.name) || r.name.isEmpty() || r.name.contains(QLatin1Char('/')))
            return std::nullopt;
        if (!readBlock(in, dev, kThumbMaxBmpBytes, r.bmp) || !plausibleBmp(r.bmp)) return std::nullopt;
        if (!readBlock(in, dev, 40, r.sourceInfo) || !decodeSourceHeader(r.sourceInfo)) return std::nullopt;
        out.push_back(std::move(r));
    }
    if (!in.atEnd()) return std::nullopt; // trailing bytes: not a file this program wrote
    return out;
}

QByteArray serializeThumbCache(const QList<ThumbRecord>& records) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << QString::fromLatin1(kThumbCacheDescription) << quint32(records.size());
    for (const ThumbRecord& r : records) out << r.name << r.bmp << r.sourceInfo;
    return bytes;
}

std::optional<QList<ThumbRecord>> readThumbCache(const QString& folder) {
    QFile f(QDir(folder).filePath(QLatin1String(kThumbCacheName)));
    // A sound cache of the most entries is far below this; a bigger file is not read at all.
    constexpr qint64 kMaxFile = 512ll << 20;
    if (!QFileInfo(f.fileName()).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxFile) return std::nullopt;
    return parseThumbCache(f.readAll());
}

bool writeThumbCache(const QString& folder, const QList<ThumbRecord>& records, qint64 modifiedMsecs) {
    const QString path = QDir(folder).filePath(QLatin1String(kThumbCacheName));
    const QByteArray bytes = serializeThumbCache(records);
    if (bytes.size() <= kThumbCacheEmptyLimit) {
        // Nothing worth keeping: no file at all rather than an empty one.
        return !QFileInfo::exists(path) || QFile::remove(path);
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) return false;
    if (modifiedMsecs >= 0) {
        QFile stamp(path);
        if (stamp.open(QIODevice::ReadWrite))
            stamp.setFileTime(QDateTime::fromMSecsSinceEpoch(modifiedMsecs), QFileDevice::FileModificationTime);
    }
    return true;
}

} // namespace orvix

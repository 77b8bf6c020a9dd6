#include "browser/ThumbWorker.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMetaObject>

#include "platform/Log.h"

namespace orvix {

namespace {

int depthOf(QImage::Format f) {
    switch (f) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return 1;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8: return 8;
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888: return 24;
    case QImage::Format_Invalid: return 0;
    default: return QImage::toPixelFormat(f).bitsPerPixel();
    }
}

} // namespace

Thumb makeThumb(const QString& path, QSize box) {
    Thumb t;
    if (!QFileInfo(path).isFile()) return t; // a FIFO or device named like a picture: nothing to read
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty()) return t; // not an image Qt reads: no thumbnail
    t.source.width = full.width();
    t.source.height = full.height();
    t.source.bitCount = quint16(depthOf(reader.imageFormat()));
    t.source.imageSize = quint32(((quint64(full.width()) * t.source.bitCount + 31) / 32) * 4 * quint64(full.height()));
    // Fitted into the box, aspect kept; a small picture keeps its size.
    QSize want = full;
    if (want.width() > box.width() || want.height() > box.height()) want.scale(box, Qt::KeepAspectRatio);
    want = want.expandedTo(QSize(1, 1));
    if (reader.supportsOption(QImageIOHandler::ScaledSize) || want != full) reader.setScaledSize(want);
    QImage img = reader.read();
    if (img.isNull()) return t;
    if (img.size() != want) img = img.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    t.image = img.convertToFormat(QImage::Format_RGB888);
    if (t.source.bitCount == 0) t.source.bitCount = 24;
    return t;
}

Thumb thumbOfRecord(const ThumbRecord& r) {
    Thumb t;
    t.fromCache = true;
    if (auto h = decodeSourceHeader(r.sourceInfo)) t.source = *h;
    QImage img;
    if (plausibleBmp(r.bmp) && img.loadFromData(r.bmp, "BMP")) t.image = img.convertToFormat(QImage::Format_RGB888);
    return t;
}

ThumbRecord recordOf(const QString& name, const Thumb& t) {
    ThumbRecord r;
    r.name = name;
    QBuffer buf(&r.bmp);
    buf.open(QIODevice::WriteOnly);
    t.image.save(&buf, "BMP");
    r.sourceInfo = encodeSourceHeader(t.source);
    return r;
}

ThumbWorker::ThumbWorker() {
    qRegisterMetaType<Thumb>();
    inThread_.moveToThread(&thread_);
    thread_.setObjectName(QStringLiteral("thumbnails"));
    thread_.start(QThread::LowPriority);
}

ThumbWorker::~ThumbWorker() {
    stop();
    thread_.quit();
    thread_.wait();
}

int ThumbWorker::start(const QString& folder, const QStringList& files) {
    const int run = ++wanted_;
    QMetaObject::invokeMethod(&inThread_, [this, run, folder, files] { work(run, folder, files); }, Qt::QueuedConnection);
    return run;
}

void ThumbWorker::work(int run, const QString& folder, const QStringList& files) {
    if (wanted_.load() != run) { // a newer run is queued behind this one
        ++ended_;
        return;
    }
    // The moment the images are looked at: the cache is stamped with it, so an image changed while
    // its thumbnail is made is made again next time.
    const qint64 began = QDateTime::currentMSecsSinceEpoch();
    const QString cachePath = QDir(folder).filePath(QLatin1String(kThumbCacheName));
    const QFileInfo cacheInfo(cachePath);
    const qint64 cacheTime = cacheInfo.exists() ? cacheInfo.lastModified().toMSecsSinceEpoch() : -1;
    QHash<QString, ThumbRecord> cached;
    bool changed = false;
    if (cacheInfo.exists()) {
        if (auto records = readThumbCache(folder)) {
            for (ThumbRecord& r : *records) cached.insert(r.name, std::move(r)); // exact: names differing in case are two files
        } else {
            platform::log(platform::LogLevel::Info, "thumbnail cache of " + folder.toStdString() + " is not sound; rebuilt");
            changed = true;
        }
    }
    const int before = int(cached.size());
    QList<ThumbRecord> keep;
    int made = 0, reused = 0;
    for (int i = 0; i < files.size(); ++i) {
        if (wanted_.load() != run) { // given up: the cache stays as it was
            ++ended_;
            return;
        }
        const QFileInfo fi(files[i]);
        const QString key = fi.fileName();
        Thumb t;
        auto it = cached.find(key);
        bool fresh = false;
        if (it != cached.end()) {
            if (fi.lastModified().toMSecsSinceEpoch() <= cacheTime) {
                t = thumbOfRecord(*it);
                fresh = !t.image.isNull();
            }
            if (fresh) {
                keep.push_back(*it);
                ++reused;
            } else {
                changed = true;
            }
            cached.erase(it);
        }
        if (!fresh) {
            t = makeThumb(files[i]);
            changed = true;
            if (!t.image.isNull()) keep.push_back(recordOf(fi.fileName(), t));
            ++made;
        }
        emit thumbReady(run, i, files[i], t);
    }
    if (reused != before) changed = true; // entries of files no longer listed are dropped
    if (changed && !writeThumbCache(folder, keep, began))
        platform::log(platform::LogLevel::Info, "thumbnail cache of " + folder.toStdString() + " cannot be written");
    finished_ = run;
    ++ended_;
    emit runFinished(run, made, reused);
}

} // namespace orvix

// Thumbnails: made by a scaled read, kept in the folder's "brwseimg.tf", reused while the images
// are unchanged, made again when they change; a damaged or hostile cache is ignored and rebuilt.
#include <QBuffer>
#include <QDataStream>
#include <QFileInfo>
#include <QtTest>

#include "BrowserFixture.h"
#include "browser/BrowserFiles.h"
#include "browser/ThumbCache.h"
#include "browser/ThumbWorker.h"

using namespace orvix;
using namespace orvix::test;

namespace {

QByteArray bmpOf(const QImage& img) {
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return b;
}

QList<ThumbRecord> twoRecords() {
    QImage img(60, 30, QImage::Format_RGB888);
    img.fill(Qt::blue);
    SourceHeader s;
    s.width = 800;
    s.height = 400;
    return {ThumbRecord{QStringLiteral("a.bmp"), bmpOf(img), encodeSourceHeader(s)},
            ThumbRecord{QStringLiteral("图.bmp"), bmpOf(img.scaled(7, 3)), encodeSourceHeader(s)}};
}

QByteArray be32(quint32 v) {
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

// A thumbnail run's figures (made, taken from the cache), after waiting for it.
struct RunFigures {
    int made = -1, cached = -1;
};
RunFigures refreshAndCount(BrowserFixture& f) {
    QSignalSpy spy(&f.browser()->worker(), &ThumbWorker::runFinished);
    if (!f.refresh()) return {};
    if (spy.isEmpty() && !spy.wait(5000)) return {};
    return {spy.last().at(1).toInt(), spy.last().at(2).toInt()};
}

} // namespace

class ThumbCacheTest : public QObject {
    Q_OBJECT
private slots:
    void recordsSurviveTheFile() {
        QTemporaryDir dir;
        const QList<ThumbRecord> records = twoRecords();
        QVERIFY(writeThumbCache(dir.path(), records));
        const auto back = readThumbCache(dir.path());
        QVERIFY(back.has_value());
        QCOMPARE(back->size(), 2);
        QCOMPARE(back->at(1).name, QStringLiteral("图.bmp"));
        QCOMPARE(back->at(0).bmp, records[0].bmp);
        QCOMPARE(decodeSourceHeader(back->at(0).sourceInfo)->width, 800);
        // The file starts with the description in Qt's string format.
        QFile f(QDir(dir.path()).filePath("brwseimg.tf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QDataStream in(&f);
        in.setVersion(QDataStream::Qt_6_0);
        QString description;
        in >> description;
        QCOMPARE(description, QStringLiteral("Image Thumbnail File"));
    }

    void emptyCacheIsDeleted() {
        QTemporaryDir dir;
        QVERIFY(writeThumbCache(dir.path(), twoRecords()));
        QVERIFY(QFileInfo::exists(QDir(dir.path()).filePath("brwseimg.tf")));
        QVERIFY(serializeThumbCache({}).size() <= kThumbCacheEmptyLimit);
        QVERIFY(writeThumbCache(dir.path(), {}));
        QVERIFY(!QFileInfo::exists(QDir(dir.path()).filePath("brwseimg.tf")));
    }

    void unsoundCachesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = serializeThumbCache(twoRecords());
        const QByteArray head = serializeThumbCache({}).chopped(4); // the description alone
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("one byte short") << good.chopped(1);
        QTest::newRow("trailing bytes") << good + "x";
        QTest::newRow("other description") << serializeThumbCache({}).replace("I\0m", 3, "X\0m", 3) + be32(0);
        QTest::newRow("huge count") << head + be32(0xFFFFFFF0u);
        QTest::newRow("count beyond the data") << head + be32(1000);
        QTest::newRow("huge name length") << head + be32(1) + be32(0x7FFFFFF0u) + QByteArray(64, 'a');
        QTest::newRow("odd name length") << head + be32(1) + be32(3) + QByteArray(64, 'a');
        QByteArray notBmp = good;
        notBmp.replace("BM", "XM"); // the first thumbnail is no BMP
        QTest::newRow("thumbnail of another type") << notBmp;
        QList<ThumbRecord> r = twoRecords();
        r[0].bmp[2] = char(r[0].bmp[2] + 1); // its own size field wrong
        QTest::newRow("bmp size field") << serializeThumbCache(r);
        r = twoRecords();
        r[0].sourceInfo.chop(1);
        QTest::newRow("short source header") << serializeThumbCache(r);
        r = twoRecords();
        qToLittleEndian<qint32>(5000, r[0].bmp.data() + 18); // wider than any thumbnail
        QTest::newRow("giant thumbnail") << serializeThumbCache(r);
        r = twoRecords();
        r[0].name = QStringLiteral("../a.bmp");
        QTest::newRow("name with a folder") << serializeThumbCache(r);
    }
    void unsoundCachesAreRefused() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseThumbCache(bytes).has_value());
    }

    void thumbnailsFitTheCellAndNeverGrow() {
        QTemporaryDir dir;
        const QString wide = dir.filePath("w.png"), small = dir.filePath("s.jpg"), broken = dir.filePath("x.bmp");
        QVERIFY(BrowserFixture::writeImage(wide, 800, 400));
        QVERIFY(BrowserFixture::writeImage(small, 30, 20));
        QFile b(broken);
        QVERIFY(b.open(QIODevice::WriteOnly) && b.write("BMnot an image") > 0);
        b.close();
        Thumb t = makeThumb(wide);
        QCOMPARE(t.image.size(), QSize(60, 30));
        QCOMPARE(t.source.width, 800);
        QCOMPARE(thumbCaption(t.source), QStringLiteral("800x400x16M"));
        QCOMPARE(makeThumb(small).image.size(), QSize(30, 20));
        QVERIFY(makeThumb(broken).image.isNull());
        QVERIFY(makeThumb(dir.filePath("none.png")).image.isNull());
        // A record round trip gives the same picture.
        const Thumb back = thumbOfRecord(recordOf("w.png", t));
        QCOMPARE(back.image, t.image);
        QCOMPARE(back.source.height, 400);
    }

    void coloursAndCellColours_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("mono") << 1 << "2";
        QTest::newRow("256") << 8 << "256";
        QTest::newRow("1K") << 10 << "1K";
        QTest::newRow("64K") << 16 << "64K";
        QTest::newRow("16M") << 24 << "16M";
        QTest::newRow("32 bits") << 32 << "4096M";
        QTest::newRow("nonsense") << 60000 << QString::number((qulonglong(1) << 48) / 1048576) + "M";
    }
    void coloursAndCellColours() {
        QFETCH(int, bits);
        QFETCH(QString, text);
        QCOMPARE(colourCountText(unsigned(bits), 1), text);
        QCOMPARE(cellColour("/a/x.BMP"), QColor(231, 231, 255));
        QCOMPARE(cellColour("/a/x.jpeg"), QColor(239, 235, 206));
        QCOMPARE(cellColour("/a/x.tif"), QColor(189, 203, 231));
        QCOMPARE(cellColour("/a/x.wmf"), QColor(181, 182, 181));
        QCOMPARE(cellColour("/a/x.eps"), QColor(Qt::white));
        QCOMPARE(cellColour("/a/x.prn"), QColor(Qt::white));
    }

    void cacheIsReusedUntilAnImageChanges() {
        BrowserFixture f;
        for (const char* n : {"a", "b", "c"}) QVERIFY(makeRip(f.rip(QString::fromLatin1(n) + ".prn"), 120, 80));
        QVERIFY(f.startAndList());
        const QString cache = f.rip("brwseimg.tf");
        QVERIFY(QFileInfo::exists(cache));
        QCOMPARE(f.browser()->thumbsAttached(), 3);
        QVERIFY(!f.browser()->model().entries()[0].thumb.isNull());

        RunFigures again = refreshAndCount(f);
        QCOMPARE(again.made, 0);
        QCOMPARE(again.cached, 3);
        QCOMPARE(f.browser()->thumbsAttached(), 3);
        QCOMPARE(f.browser()->model().data(f.browser()->model().index(0, 0), BrowserModel::CaptionRole).toString(),
                 QStringLiteral("800x564x16M")); // the preview of a 17 x 12 mm print

        // b.bmp changes after the cache was written: only its thumbnail is made again.
        QVERIFY(BrowserFixture::writeImage(f.rip("b.bmp"), 90, 90, Qt::green));
        QFile b(f.rip("b.bmp"));
        QVERIFY(b.open(QIODevice::ReadWrite));
        QVERIFY(b.setFileTime(QFileInfo(cache).lastModified().addSecs(5), QFileDevice::FileModificationTime));
        b.close();
        RunFigures changed = refreshAndCount(f);
        QCOMPARE(changed.made, 1);
        QCOMPARE(changed.cached, 2);
        const int row = f.browser()->model().rowOf(f.rip("b.bmp"));
        QCOMPARE(f.browser()->model().entries()[row].thumb.size(), QSize(60, 60));
        QCOMPARE(QColor(f.browser()->model().entries()[row].thumb.pixel(30, 30)), QColor(Qt::green));
        // The rewritten cache holds the new one.
        const auto records = readThumbCache(f.rip(QString()));
        QVERIFY(records && records->size() == 3);
    }

    void damagedCacheIsRebuilt() {
        BrowserFixture f;
        for (const char* n : {"a", "b"}) QVERIFY(makeRip(f.rip(QString::fromLatin1(n) + ".prn"), 120, 80));
        QVERIFY(f.startAndList());
        QFile cache(f.rip("brwseimg.tf"));
        QVERIFY(cache.open(QIODevice::ReadWrite));
        QByteArray bytes = cache.readAll();
        bytes.truncate(bytes.size() - 100);
        QVERIFY(cache.resize(0) && cache.seek(0) && cache.write(bytes) == bytes.size());
        cache.close();
        RunFigures rebuilt = refreshAndCount(f);
        QCOMPARE(rebuilt.made, 2);
        QCOMPARE(rebuilt.cached, 0);
        QCOMPARE(f.browser()->thumbsAttached(), 2);
        QVERIFY(readThumbCache(f.rip(QString())).has_value());
    }

    void folderWithoutPicturesKeepsNoCache() {
        BrowserFixture f;
        QVERIFY(writeThumbCache(f.rip(QString()), twoRecords())); // of files no longer there
        QVERIFY(f.startAndList());
        QVERIFY(!QFileInfo::exists(f.rip("brwseimg.tf")));
    }

    void lateResultsOfAnotherFolderAreDropped() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("a.prn"), 120, 80));
        QVERIFY(f.startAndList());
        BrowserModel& m = f.browser()->model();
        QVERIFY(!m.attachThumb(0, f.rip("gone.bmp"), QImage(4, 4, QImage::Format_RGB888), {}));
        QVERIFY(m.attachThumb(7, f.rip("a.bmp"), QImage(4, 4, QImage::Format_RGB888), {})); // found by its file
        QCOMPARE(m.entries()[0].thumb.size(), QSize(4, 4));
    }
};

ORVIX_TEST_SUITE(ThumbCacheTest)

#include "ThumbCacheTest.moc"

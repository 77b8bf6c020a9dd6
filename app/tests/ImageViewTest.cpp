// The image view: zoom from the menus and the control bar, scrolling by dragging, the info panel
// lines, the ink coverage, and the job clock (elapsed while a job runs, countdown stopped while paused).
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QThread>
#include <QtTest>

#include "BrowserFixture.h"

using namespace orvix;
using namespace orvix::test;

class ImageViewTest : public QObject {
    Q_OBJECT
private slots:
    void zoomCommandsAndTheControlBar() {
        BrowserFixture f;
        QVERIFY(f.start().run);
        ImageView* v = f.view();
        ImageWindow* w = v->window();
        QCOMPARE(w->zoom(), -1.0); // fit at first
        struct Step {
            int id;
            double zoom, factor;
        };
        const Step steps[] = {
            {ID_ZOOM_HALF, 0.5, 0.5}, {ID_ZOOM_HALF, 0.25, 0.25}, {ID_ZOOM_2, 0.5, 0.5}, {ID_ZOOM_2, 1, 1},
            {ID_ZOOM_2, 2, 2},        {ID_ZOOM_FIT, -1, 1},      {ID_ZOOM_2, 2, 2},     {ID_ZOOM_1, 1, 1},
        };
        for (const Step& s : steps) {
            QVERIFY(f.frame()->runCommand(s.id));
            QCOMPARE(w->zoom(), s.zoom);
            QCOMPARE(v->factor(), s.factor);
        }
        for (int i = 0; i < 20; ++i) f.frame()->runCommand(ID_ZOOM_HALF); // bounded, never 0
        QVERIFY(w->zoom() > 0 && w->zoom() >= 1.0 / 64);
        QComboBox* list = f.frame()->controlBar()->zoomList();
        list->setCurrentIndex(list->findText("3"));
        emit list->textActivated("3");
        QCOMPARE(w->zoom(), 3.0);
        emit list->textActivated("fit");
        QCOMPARE(w->zoom(), -1.0);
    }

    void fitKeepsTheAspectAndDraggingScrolls() {
        BrowserFixture f;
        QVERIFY(BrowserFixture::writeImage(f.rip("p.png"), 400, 200));
        QVERIFY(f.start().run);
        ImageWindow* w = f.view()->window();
        QVERIFY(w->image().isNull()); // the plain background
        w->resize(300, 300);
        QVERIFY(w->load(f.rip("p.png")));
        QCOMPARE(w->scaledSize().width(), w->viewport()->width());
        QCOMPARE(w->scaledSize().height(), w->viewport()->width() / 2);
        f.view()->setZoom(2);
        QCOMPARE(w->scaledSize(), QSize(800, 400));
        QVERIFY(w->horizontalScrollBar()->maximum() > 0);
        QTest::mousePress(w->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseMove(w->viewport(), QPoint(150, 120));
        QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, QPoint(150, 120));
        QCOMPARE(w->horizontalScrollBar()->value(), 50);
        QCOMPARE(w->verticalScrollBar()->value(), 30);
        // Names differing only in case are two pictures.
        QVERIFY(BrowserFixture::writeImage(f.rip("P.png"), 50, 50));
        QVERIFY(w->load(f.rip("P.png")));
        QCOMPARE(w->image().size(), QSize(50, 50));
        QVERIFY(!w->load(f.rip("missing.png")));
        QVERIFY(w->image().isNull());
    }

    void infoPanelLines() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("i.prn"), 3600, 1800, 4, 360)); // 0.254 m x 0.127 m
        QVERIFY(f.startAndList());
        CDrvPrint& d = f.app->engine();
        d.uiPrintQty = 3;
        f.browser()->selectRow(0);
        const QStringList lines = f.view()->infoLines();
        const QStringList want = {
            QStringLiteral("材料宽度:%1mm").arg(d.XPulseToMM(int32_t(d.uiWidth1))),
            QStringLiteral("文件: i.bmp"),
            QStringLiteral("宽度: 0.25 米"),
            QStringLiteral("长度: 0.13 米"),
            QStringLiteral("面积: 0.03 平米"),
            QStringLiteral("数量: 1/3"),
            QStringLiteral("颜色:4"),
            QStringLiteral("精度: 360"),
            QStringLiteral("打印代码:0,%1,%2,1,%3").arg(d.uiStepTotal).arg(d.uiLinesLeft.load()).arg(d.bPauseSeen.load()),
        };
        QCOMPARE(lines.mid(0, want.size()), want);
        // Then the ink the planes will use, as the preview measured it.
        const int at = int(lines.indexOf(QStringLiteral("墨水覆盖率:")));
        QCOMPARE(at, int(want.size()));
        QCOMPARE(lines.size(), at + 3);
        QVERIFY2(lines[at + 1].startsWith(QStringLiteral("K ")) && lines[at + 1].contains(QStringLiteral("   C ")),
                 qPrintable(lines[at + 1]));
        const QList<double> coverage = readCoverage(f.rip("i.bmp"));
        QCOMPARE(coverage.size(), 4);
        for (double c : coverage) QVERIFY(c > 0 && c < 100);
    }

    void coverageFileIsCheckedBeforeUse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("planes");
        QTest::newRow("sound") << QByteArray("planes=2\n0=12.5\n1=0\n") << 2;
        QTest::newRow("missing plane") << QByteArray("planes=2\n0=12.5\n") << 0;
        QTest::newRow("over 100") << QByteArray("planes=1\n0=120\n") << 0;
        QTest::newRow("plane out of range") << QByteArray("planes=1\n0=1\n5=1\n") << 0;
        QTest::newRow("absurd count") << QByteArray("planes=100000\n") << 0;
        QTest::newRow("garbage") << QByteArray("\x01\x02\xff") << 0;
    }
    void coverageFileIsCheckedBeforeUse() {
        QFETCH(QByteArray, text);
        QFETCH(int, planes);
        QTemporaryDir dir;
        QFile ink(dir.filePath("a.ink"));
        QVERIFY(ink.open(QIODevice::WriteOnly) && ink.write(text) == text.size());
        ink.close();
        QCOMPARE(int(readCoverage(dir.filePath("a.bmp")).size()), planes);
    }

    void clockCountsWhileAJobRunsAndCountsDownUnlessPaused() {
        JobClock c;
        QCOMPARE(c.text(), QString());
        c.start(10, 10);
        QCOMPARE(c.text(), QStringLiteral("Time:0:0:0"));
        QVERIFY(!c.tick(false, false, 0)); // no job runs: the clock stands
        QCOMPARE(c.elapsed(), 0);
        c.tick(true, false, 0);
        c.tick(true, false, 0);
        QCOMPARE(c.elapsed(), 2);
        QCOMPARE(c.leftText(), QString()); // no estimate before the first pass
        QVERIFY(c.tick(true, false, 1));    // 3 s for 1 pass: 27 s for the other 9
        QCOMPARE(c.left(), 27);
        c.tick(true, false, 1);
        QCOMPARE(c.left(), 26);
        c.tick(true, true, 1); // paused: elapsed goes on, the countdown stops
        c.tick(true, true, 1);
        QCOMPARE(c.elapsed(), 6);
        QCOMPARE(c.left(), 26);
        for (int i = 0; i < 3600 + 60; ++i) c.tick(true, true, 1);
        QCOMPARE(c.text(), QStringLiteral("Time:1:1:6"));
        c.stop();
        QVERIFY(!c.tick(true, false, 5));
        QCOMPARE(c.elapsed(), 3666);
        // A job resumed with 4 of 10 passes left estimates from the passes it prints itself.
        c.start(10, 4);
        c.tick(true, false, 6);
        QVERIFY(c.tick(true, false, 7));
        QCOMPARE(c.left(), 6); // 2 s for 1 pass, 3 passes left
    }

    void clockOfARealJob() {
        BrowserFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.path("job.prn"), 360, 480));
        ImageView* v = f.view();
        startJob(d, f.path("job.prn"), 4);
        // The job clears the command flags as it starts: the pause is asked for until the job has
        // parked in it (at the end of a pass, its step tag "FLS").
        QElapsedTimer wait;
        wait.start();
        auto parked = [&] { return d.bPauseSeen.load() == 1 && d.bStopSeen.load() == 0 && d.csPrintStep.is("FLS"); };
        while (!parked() && d.bPrintThreadRunning && wait.elapsed() < 30000) {
            d.PRNPausePrinting(1);
            QThread::usleep(200);
        }
        QVERIFY(parked());
        f.app->hooks.startJobClock(d.uiStepTotal, d.uiStepTotal - d.uiStepSendCurrent.load());
        v->tick();
        v->tick(); // paused: the job's time goes on, no countdown yet
        QCOMPARE(v->clock().elapsed(), 2);
        QCOMPARE(f.app->hooks.jobTimeText(), QStringLiteral("Time:0:0:2"));
        d.PRNPausePrinting(0);
        // The view's own one-second timer ticks as well while the job runs (on a slow build it can).
        QElapsedTimer running;
        running.start();
        int ticks = 2;
        while (d.bPrintThreadRunning && ticks < 100000) {
            v->tick();
            ++ticks;
            QTest::qWait(2);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen.load() == 1, 60000);
        const qint64 elapsed = v->clock().elapsed();
        QVERIFY(elapsed >= 2);
        QVERIFY2(elapsed <= ticks + running.elapsed() / 1000 + 1,
                 qPrintable(QStringLiteral("%1 seconds counted for %2 ticks").arg(elapsed).arg(ticks)));
        v->tick();
        v->tick(); // the job has ended: the clock stands
        QCOMPARE(v->clock().elapsed(), elapsed);
        QVERIFY(v->clock().lastStep() <= d.uiStepTotal);
        f.app->hooks.stopJobClock();
        QVERIFY(!v->clock().running());
    }
};

ORVIX_TEST_SUITE(ImageViewTest)

#include "ImageViewTest.moc"

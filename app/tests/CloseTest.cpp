// The close question and the save order of the shutdown.
#include <QtTest>

#include "Fixture.h"
#include "frame/MainFrame.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

class CloseTest : public QObject {
    Q_OBJECT
private slots:
    void closeAnswers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("parks");
        QTest::newRow("cancel keeps everything") << int(platform::IDCANCEL) << false << false;
        QTest::newRow("no saves without the park") << int(platform::IDNO) << true << false;
        QTest::newRow("yes parks at the head-protect end") << int(platform::IDYES) << true << true;
    }
    void closeAnswers() {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, parks);
        AppFixture f;
        const QByteArray setup = "[PRINTMODE]\nuiPass=3\n";
        f.writeFile("setup-T.ini", setup);
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-T.ini\n");
        int queueSaves = 0;
        f.app->hooks.saveQueue = [&queueSaves, &f] {
            ++queueSaves;
            QCOMPARE(f.app->engine().bBuffersReady, 0); // the queue is saved after the buffers went
        };
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        auto m = sim::machine();
        const double homeMM = m->carriageMM();
        d.uiPass = 5; // a change only a save would write
        d.bHeadsProtectLeft = d.bRepositionLeft ? 0 : 1; // the head-protect end away from home
        m->clearEvents();

        f.answers->push(answer);
        const bool closed = f.app->frame()->close();
        QCOMPARE(closed, closes);
        QCOMPARE(f.answers->texts(), std::vector<std::string>({"信息提示：确认是否复位到喷头保护位置？"}));
        QCOMPARE(f.app->frame()->isVisible(), !closes);
        QCOMPARE(f.app->closing(), closes);
        QCOMPARE(queueSaves, closes ? 1 : 0);
        QCOMPARE(d.bBuffersReady, closes ? 0 : 1);
        QCOMPARE(f.readFile("setup-T.ini").contains("uiPass=5"), closes);
        if (!closes) QCOMPARE(f.readFile("setup-T.ini"), setup);
        const double moved = std::abs(m->carriageMM() - homeMM);
        if (parks) {
            QVERIFY2(moved > 1000, qPrintable(QString::number(moved)));
            QVERIFY(m->eventCount("move") > 0);
        } else {
            QCOMPARE(m->eventCount("move"), size_t(0));
        }
    }

    void closingStopsARunningJobBeforeFreeingItsBuffers() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.path("job.prn"), 720, 600));
        startJob(d, f.path("job.prn"));
        QTRY_VERIFY_WITH_TIMEOUT(d.csPrintStep.is(tags::PRN) || d.uiStepSendCurrent > 0, 20000);
        QVERIFY(d.bPrintThreadRunning != 0);
        f.answers->push(platform::IDNO);
        QVERIFY(f.app->shutDown()); // frees the print buffers: the job must be over first
        QCOMPARE(d.bPrintThreadRunning.load(), 0u);
        QCOMPARE(d.bBuffersReady, 0);
        QVERIFY(d.bStopSeen != 0);
    }
};

ORVIX_TEST_SUITE(CloseTest)

#include "CloseTest.moc"

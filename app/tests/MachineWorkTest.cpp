// Long machine work runs off the GUI thread: the window answers while the carriage homes, the
// command rules see the work, Stop ends it where the carriage is; the start-up action runs behind
// the shown window; a settings save that fails or would replace an unloaded file is told.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "Fixture.h"
#include "dialogs/Params.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"
#include "frame/WorkStrip.h"
#include "platform/Clock.h"
#include "queue/MachineWork.h"

using namespace orvix;
using namespace orvix::test;

// The machine's clock at a tenth of the tests' pace while it lives.
struct SlowClock {
    double was = platform::timeScale();
    SlowClock() { platform::setTimeScale(was / 10); }
    ~SlowClock() { platform::setTimeScale(was); }
};

class MachineWorkTest : public QObject {
    Q_OBJECT
private slots:
    void homeRunsBehindTheWindowAndStopsShort() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        QVERIFY(fr.runCommand(ID_FAR_END));
        QVERIFY(waitForMachineWork(*f.app));
        const unsigned far = d.MOVGetXPosition();
        const unsigned home = unsigned(d.iXEncoderInitial);
        QVERIFY(far > home + 10000);

        // Slow enough for the GUI to see the carriage on its way.
        const SlowClock slow;
        QVERIFY(fr.runCommand(ID_HOME));
        MachineWork& work = f.app->machineWork();
        QVERIFY(work.running());
        QCOMPARE(work.title(), QStringLiteral("车头复位…"));
        // What moves the machine or starts a job waits; Stop does not.
        fr.updateCommands();
        for (int id : {ID_PRINT, ID_HOME, ID_MEASURE, ID_LEFT, ID_CLEAN_HEADS, ID_FAR_END})
            QVERIFY2(!fr.action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(fr.action(ID_STOP)->isEnabled());
        QVERIFY(!fr.runCommand(ID_MEASURE));
        // The window answers: the strip and the position pane follow the carriage.
        QTRY_VERIFY(fr.workStrip()->isVisible());
        QVERIFY(fr.workStrip()->text()->text().startsWith(QStringLiteral("车头复位…")));
        const QString shown = fr.statusPanes()->position()->text();
        QTRY_VERIFY_WITH_TIMEOUT(fr.statusPanes()->position()->text() != shown, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVGetXPosition() < far - 2000, 20000);

        QTest::mouseClick(fr.workStrip()->stopButton(), Qt::LeftButton);
        QVERIFY(waitForMachineWork(*f.app, 10000));
        const unsigned stopped = d.MOVGetXPosition();
        QVERIFY2(stopped > home + 1000 && stopped < far, qPrintable(QString::number(stopped)));
        QCOMPARE(d.MOVCheckIfMoveX(), 0);
        QVERIFY(d.bMachineWorkStop == 0); // the next work may move again
        QTRY_VERIFY(!fr.workStrip()->isVisible());
        fr.updateCommands();
        QVERIFY(fr.action(ID_HOME)->isEnabled());
        // And it does: homing again arrives.
        QVERIFY(fr.runCommand(ID_HOME));
        QVERIFY(waitForMachineWork(*f.app));
        QVERIFY(std::abs(int(d.MOVGetXPosition()) - int(home)) < 200);
    }

    // The toolbar's Stop ends machine work without the print question; a stopped measure keeps
    // the media settings.
    void toolbarStopEndsAMeasureAndKeepsTheMedia() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        const unsigned start = d.uiStartPos1, width = d.uiWidth1;
        f.answers->clear();
        const SlowClock slow;
        QVERIFY(fr.runCommand(ID_MEASURE));
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVGetXPosition() > unsigned(d.iXEncoderInitial) + 3000, 20000);
        QVERIFY(fr.runCommand(ID_STOP));
        QVERIFY(waitForMachineWork(*f.app, 10000));
        QCOMPARE(d.uiStartPos1, start);
        QCOMPARE(d.uiWidth1, width);
        QVERIFY(f.answers->texts().empty()); // neither the stop question nor a result box
    }

    // The start-up action runs with the window already on the screen, its step shown.
    void startupHomingRunsAsMachineWork() {
        AppFixture f;
        f.app->askStartup = [](int& action) {
            action = kActionHome;
            return int(QDialog::Accepted);
        };
        QVERIFY(f.app->startUp().run);
        QVERIFY(f.app->frame()->isVisible());
        QVERIFY(f.app->machineWork().running());
        QCOMPARE(f.app->machineWork().title(), QStringLiteral("车头复位…"));
        QVERIFY(waitForMachineWork(*f.app));
        CDrvPrint& d = f.app->engine();
        QCOMPARE(d.MOVCheckPosition(), 1);
        QCOMPARE(d.bBuffersReady, 1);
    }

    // A save the disk refuses (here: no replacement file can be made beside a name this long) is
    // told with the file and the reason, and the file stays as it was.
    void failedSaveIsToldAndTheFileKept() {
        AppFixture f;
        const QString name = QStringLiteral("setup-%1.ini").arg(QString(238, QLatin1Char('n')));
        const QByteArray setup = "[PRINTMODE]\r\nuiPass=3\r\n";
        f.writeFile(name, setup);
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=" + name.toUtf8() + "\n");
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        QCOMPARE(d.uiPass, 3u);
        f.answers->clear();
        f.answers->push(platform::IDYES);
        askSaveParams(d);
        const auto texts = f.answers->texts();
        QCOMPARE(texts.size(), size_t(2));
        QVERIFY(QString::fromStdString(texts[1]).startsWith(QStringLiteral("设置没有保存")));
        QVERIFY(QString::fromStdString(texts[1]).contains(QStringLiteral("cannot write")));
        QCOMPARE(f.readFile(name), setup);
    }
};

ORVIX_TEST_SUITE(MachineWorkTest)

#include "MachineWorkTest.moc"

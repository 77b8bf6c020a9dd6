// The print control commands beside printing: control bar edits, manual moves held within the
// travel, the speed test, network jobs over TCP, the auxiliary-switch dialog.
#include <QClipboard>
#include <QtTest>

#include <QDoubleSpinBox>
#include <QAction>
#include <QLineEdit>

#include <algorithm>
#include <atomic>
#include <thread>

#include "QueueFixture.h"
#include "dialogs/AuxSwitchDialog.h"
#include "dialogs/HeadParamsDialog.h"
#include "queue/MachineCommands.h"
#include "testsupport/NetSender.h"

using namespace orvix;
using namespace orvix::test;

class QueueCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void controlBarSpeedAtOnceMarginInRange() {
        // The speed list is taken at once; copies, margin and fire position when their edit is
        // finished (OperatorInputTest).
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        CDrvPrint& d = f.app->engine();
        ControlBar& bar = *f.app->frame()->controlBar();
        bar.speedList()->setCurrentIndex(2);
        QCOMPARE(d.uiXSpeed, 3u);
        QVERIFY(takeMargin(d, bar, QStringLiteral("50")));
        QCOMPARE(d.uiMargin1, unsigned(d.XMMToPulse(50)));
        QCOMPARE(bar.firePosition()->text(), QString::number(d.XPulseToMM(int32_t(d.uiStartPos1 + d.uiMargin1))));
        QVERIFY(!takeMargin(d, bar, QStringLiteral("65536")));
        QCOMPARE(d.uiMargin1, unsigned(d.XMMToPulse(50)));
    }

    void manualMovesStayWithinTheTravel() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        QVERIFY(d.uiRightLimitPos > d.uiLeftLimitPos);
        // The targets a move computes, at the ends and inside.
        d.uiXTarget = d.uiLeftLimitPos + 10;
        QCOMPARE(manualTarget(d, true, 1000), d.uiLeftLimitPos);
        QCOMPARE(manualTarget(d, false, 5), d.uiLeftLimitPos + 15);
        d.uiXTarget = d.uiRightLimitPos - 10;
        QCOMPARE(manualTarget(d, false, 1000), d.uiRightLimitPos);
        // Through the commands: far beyond either end.
        fr.controlBar()->moveDistance()->setText(QStringLiteral("1400"));
        d.uiXTarget = d.MOVGetXPosition();
        fr.updateCommands();
        for (int i = 0; i < 4; ++i) {
            QVERIFY(fr.runCommand(ID_ACC_RIGHT));
            QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveX() == 0, 20000);
        }
        QCOMPARE(d.uiXTarget, d.uiRightLimitPos);
        for (int i = 0; i < 4; ++i) {
            QVERIFY(fr.runCommand(ID_LEFT));
            QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveX() == 0, 20000);
        }
        QCOMPARE(d.uiXTarget, d.uiLeftLimitPos);
        QCOMPARE(sim::machine()->eventCount("limit"), size_t(0));
        // A moving carriage is stopped and settled instead.
        fr.controlBar()->moveDistance()->setText(QStringLiteral("1000"));
        QVERIFY(fr.runCommand(ID_RIGHT));
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveX() != 0, 5000);
        QVERIFY(fr.runCommand(ID_RIGHT));
        QVERIFY(waitForMachineWork(*f.app));
        QCOMPARE(d.MOVCheckIfMoveX(), 0);
        QCOMPARE(d.uiXTarget, d.MOVGetXPosition());
        QVERIFY(d.uiXTarget < d.uiRightLimitPos);
    }

    void mediaBackShowsPressedAndTensionFollows() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        fr.controlBar()->moveDistance()->setText(QStringLiteral("500"));
        QVERIFY(fr.runCommand(ID_MEDIA_BACK));
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveY() == 2, 5000);
        fr.updateCommands();
        QVERIFY(fr.action(ID_MEDIA_BACK)->isChecked());
        QCOMPARE(d.AUXCheckTension1(), 1);
        QVERIFY(fr.runCommand(ID_MEDIA_BACK)); // a second press stops the media
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveY() == 0, 5000);
        fr.updateCommands();
        QVERIFY(!fr.action(ID_MEDIA_BACK)->isChecked());
        QCOMPARE(d.AUXCheckTension1(), 0);
    }

    void speedForLongMoves() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        QCOMPARE(carriageSpeed(d, 100, 100 + unsigned(d.XMMToPulse(500)), 1000), 500u);
        QCOMPARE(carriageSpeed(d, 5000, 4000, 0), 0u); // no time passed: no speed, no division
        f.app->measuredSpeed = 0;
        f.app->frame()->controlBar()->moveDistance()->setText(QStringLiteral("2000"));
        d.uiXTarget = d.MOVGetXPosition();
        QVERIFY(f.app->frame()->runCommand(ID_RIGHT));
        QTRY_VERIFY_WITH_TIMEOUT(f.app->measuredSpeed > 0, 20000);
        QVERIFY(f.app->measuredSpeed < 3001);
    }

    void speedTestMessage() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        ControlBar& bar = *f.app->frame()->controlBar();
        QCOMPARE(d.PRNMeasure(), 1);
        bar.testList()->setCurrentIndex(4);
        bar.moveDistance()->setText(QStringLiteral("500"));
        sim::machine()->clearEvents();
        f.answers->clear();
        QTest::mouseClick(bar.testButton(), Qt::LeftButton);
        QVERIFY(waitForMachineWork(*f.app));
        QCOMPARE(f.answers->texts().size(), size_t(1));
        const QStringList lines = QString::fromStdString(f.answers->texts()[0]).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("时间: ")) && lines[0].endsWith(QStringLiteral(" 秒 ")));
        QVERIFY(lines[1].startsWith(QStringLiteral(" 面积: ")) && lines[1].endsWith(QStringLiteral(" 平方米 ")));
        QVERIFY(lines[2].startsWith(QStringLiteral(" 产量: ")) && lines[2].endsWith(QStringLiteral(" 平米/小时")));
        auto number = [](const QString& l) { return l.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char(' '), 0, 0).toDouble(); };
        const double t = number(lines[0]), a = number(lines[1]), out = number(lines[2]);
        QVERIFY(t > 0);
        const unsigned step = d.uiNozzlesPerColor / std::max(1u, d.uiPassCount);
        const int n = d.bUnidirection ? 5 : 10;
        QVERIFY(qAbs(a - n * double(d.fMMPerYStep) * step * 500 * 0.000004) < 1e-5);
        QVERIFY(qAbs(out - 3600.0 / t * a) < 1e-3 * std::max(1.0, out));
        // Five trips out and back: the carriage really went.
        QVERIFY(sim::machine()->eventCount("move") >= 10);
        QCOMPARE(d.uiPrintJobKind, 5u);
    }

    void networkJobPrintsWhenOnAndReady() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        QVERIFY(takeMargin(d, *fr.controlBar(), QStringLiteral("200")));
        d.uiNetPort = 0; // any free port
        d.netFile.SetStreamTimeouts(200000, 2000000);
        fr.updateCommands();
        QVERIFY(fr.runCommand(ID_NETWORK));
        QCOMPARE(d.bNetwork, 1);
        QVERIFY(d.uiNetPort != 0);
        QVERIFY(makeRip(f.path("net.prn"), 120, 160));
        const sim::Sheet before = sim::machine()->sheet();
        const QByteArray file = f.readFile("net.prn");
        std::thread sender = testsupport::sendBytes(uint16_t(d.uiNetPort), std::vector<uint8_t>(file.begin(), file.end()));
        QTRY_VERIFY_WITH_TIMEOUT(d.bPrintThreadRunning || d.csPrintStep.is(tags::PFNSH), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen, 60000);
        sender.join();
        QCOMPARE(d.csPrintStep.str(), std::string(tags::PFNSH));
        QCOMPARE(d.csName, std::string("##*NET"));
        QCOMPARE(d.uiPassCount, 2u);
        QCOMPARE(sheetDifferences(sim::machine()->sheet(), before, f.path("net.prn")), int64_t(0));
    }

    // While a network job waits for its header the print thread owns the job values: control
    // bar edits are checked and shown, taken into the engine once the job has ended; the
    // settings sheets do not open.
    void barValuesEditedDuringAJobWaitForItsEnd() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        ControlBar& bar = *fr.controlBar();
        d.uiNetPort = 0;
        d.netFile.SetStreamTimeouts(600000000, 600000000); // only the stop ends this job
        QVERIFY(fr.runCommand(ID_NETWORK));
        std::atomic<bool> release{false};
        std::thread sender = testsupport::sendBytes(uint16_t(d.uiNetPort), std::vector<uint8_t>(20, 0), &release);
        QTRY_VERIFY_WITH_TIMEOUT(d.bPrintThreadRunning && d.netFile.Receiver().JobsAccepted() == 1, 20000);
        QVERIFY(q->jobActive());
        const unsigned qty = d.uiPrintQty, margin = d.uiMargin1, speed = d.uiXSpeed;
        auto type = [](QLineEdit* e, const QString& text) {
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, text);
            QTest::keyClick(e, Qt::Key_Return);
        };
        type(bar.copies(), QStringLiteral("9"));
        type(bar.margin(), QStringLiteral("150"));
        type(bar.copies(), QStringLiteral("300")); // refused as ever: the field shows 9 again
        const int otherSpeed = (bar.speedList()->currentIndex() + 1) % bar.speedList()->count();
        bar.speedList()->setCurrentIndex(otherSpeed);
        QCOMPARE(bar.copies()->text(), QStringLiteral("9"));
        QCOMPARE(bar.firePosition()->text(), QString::number(d.XPulseToMM(int32_t(d.uiStartPos1 + d.XMMToPulse(150)))));
        QCOMPARE(d.uiPrintQty, qty);
        QCOMPARE(d.uiMargin1, margin);
        QCOMPARE(d.uiXSpeed, speed);
        const size_t asked = f.answers->texts().size();
        QVERIFY(fr.runCommand(ID_OPTIONS));
        QCOMPARE(f.answers->texts().size(), asked + 1);
        QCOMPARE(QString::fromStdString(f.answers->texts().back()), QStringLiteral("正在打印，打印结束后才能修改设置"));
        d.PRNStopPrinting(1);
        QTRY_VERIFY_WITH_TIMEOUT(!q->jobActive(), 20000);
        QCOMPARE(d.csPrintStep.str(), std::string(tags::CLS));
        QTRY_COMPARE_WITH_TIMEOUT(d.uiPrintQty, 9u, 5000);
        QCOMPARE(d.uiMargin1, unsigned(d.XMMToPulse(150)));
        QCOMPARE(d.uiXSpeed, unsigned(otherSpeed + 1));
        release = true;
        sender.join();
    }

    void networkJobIgnoredWhenOff() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        d.uiNetPort = 0;
        d.netFile.SetStreamTimeouts(200000, 2000000);
        QVERIFY(fr.runCommand(ID_NETWORK)); // listening
        QVERIFY(fr.runCommand(ID_NETWORK)); // and off again
        QCOMPARE(d.bNetwork, 0);
        QVERIFY(makeRip(f.path("net.prn"), 64, 64));
        const unsigned announced = d.uiNetJobReady;
        const QByteArray file = f.readFile("net.prn");
        std::thread sender = testsupport::sendBytes(uint16_t(d.uiNetPort), std::vector<uint8_t>(file.begin(), file.end()));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiNetJobReady > announced, 20000);
        QTest::qWait(50);
        sender.join();
        QVERIFY(!d.bPrintThreadRunning);
        QVERIFY(d.csName != "##*NET");
        QCOMPARE(sim::machine()->passes().size(), size_t(0));
        // And while a job prints the network job is not taken either.
        QVERIFY(!networkJob(fr) || d.bNetwork);
        // The job waits in the receiver: switched on, network printing prints it.
        QVERIFY(d.netFile.Receiver().JobWaiting());
        const sim::Sheet before = sim::machine()->sheet();
        QVERIFY(fr.runCommand(ID_NETWORK));
        QTRY_VERIFY_WITH_TIMEOUT(d.csName == "##*NET", 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen, 60000);
        QCOMPARE(d.csPrintStep.str(), std::string(tags::PFNSH));
        QCOMPARE(sheetDifferences(sim::machine()->sheet(), before, f.path("net.prn")), int64_t(0));
    }

    void testPatternOnANewMachine() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        ControlBar& bar = *f.app->frame()->controlBar();
        QVERIFY(takeMargin(d, bar, QStringLiteral("200")));
        // A queue job first: its record must keep its own ending.
        QVERIFY(makeRip(f.path("q.prn"), 64, 64));
        QVERIFY(q->addFile(f.path("q.prn")));
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        QTRY_VERIFY_WITH_TIMEOUT(d.bStopSeen && !d.bPrintThreadRunning, 10000);
        const std::string pattern = d.TestPattern[0];
        QVERIFY(!QFile::exists(f.path(QString::fromStdString(pattern))));
        bar.testList()->setCurrentIndex(0);
        f.answers->clear();
        QTest::mouseClick(bar.testButton(), Qt::LeftButton);
        QVERIFY(f.answers->texts().empty());
        QVERIFY(QFile::exists(f.path(QString::fromStdString(pattern)))); // made for this machine
        QCOMPARE(d.uiPrintJobKind, 1u);
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen, 60000);
        QCOMPARE(d.csPrintStep.str(), std::string(tags::PFNSH));
        QVERIFY(sim::machine()->passes().size() > 0);
        QVERIFY(d.job.DBRecordSelect("") >= 1);
        const auto status = std::find(CJob::kRowColumns.begin(), CJob::kRowColumns.end(), std::string("Status")) - CJob::kRowColumns.begin();
        const auto file = std::find(CJob::kRowColumns.begin(), CJob::kRowColumns.end(), std::string("FileName")) - CJob::kRowColumns.begin();
        bool found = false;
        for (int r = 0; r < d.job.m_nRows; ++r) {
            const JobRow& row = d.job.m_Rows[size_t(r)];
            if (row[size_t(file)] != "q.prn") continue;
            found = true;
            const std::string& st = row[size_t(status)];
            QVERIFY2(!st.empty() && st.find('/') != std::string::npos, st.c_str());
            const std::string done = st.substr(0, st.find('/'));
            QCOMPARE(done, st.substr(st.find('/') + 1)); // all its passes, not the test print's
        }
        QVERIFY(found);
    }

    // A pattern name with a path in it is refused with the reason; nothing is made or printed.
    void testPatternNamesStayInTheMachineFolder() {
        AppFixture f;
        QVERIFY(startForPrinting(f));
        CDrvPrint& d = f.app->engine();
        ControlBar& bar = *f.app->frame()->controlBar();
        const QString outside = QDir(f.path("..")).absoluteFilePath(QStringLiteral("escaped.prn"));
        for (const QString& name : {QStringLiteral("../escaped.prn"), outside}) {
            d.TestPattern[0] = name.toStdString();
            bar.testList()->setCurrentIndex(0);
            f.answers->clear();
            QTest::mouseClick(bar.testButton(), Qt::LeftButton);
            QCOMPARE(f.answers->texts().size(), size_t(1));
            QVERIFY(!d.bPrintThreadRunning);
            QVERIFY(!QFile::exists(outside));
        }
    }

    void headParameters() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        CDrvPrint& d = f.app->engine();
        HeadParamsDialog volts(d, 2);
        QVERIFY(d.uiHTVHeads > 0);
        volts.voltage(0)->setValue(22.5);
        volts.offset(0)->setValue(0.5);
        volts.writeVoltages();
        QCOMPARE(d.HTVVoltageDefine[0], 22.5f);
        QCOMPARE(d.HTVVoltageOffset[0], 0.5f);
        HeadParamsDialog older(d, 1);
        older.bytes()->setText(QStringLiteral("01 00 02"));
        QVERIFY(!older.writeHead()); // not a block of 16 bytes
        QVERIFY(older.readHead());
        QCOMPARE(older.bytes()->text().split(QLatin1Char(' ')).size(), 16);
    }

    void auxiliarySwitchesShowAndSwitch() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        CDrvPrint& d = f.app->engine();
        AuxSwitchDialog dlg(d, [] { return false; });
        dlg.show();
        QVERIFY(!dlg.box(1313)->isEnabled()); // an input only shows
        QCOMPARE(dlg.box(1313)->isChecked(), d.AUXCheckMediaSensor() == 1);
        const int purge = d.AUXCheckPurge();
        dlg.box(1315)->click();
        QCOMPARE(d.AUXCheckPurge(), purge ? 0 : 1);
        dlg.refresh();
        QCOMPARE(dlg.box(1315)->isChecked(), purge == 0);
        dlg.box(1314)->click();
        QCOMPARE(d.AUXCheckCleaner(), 1);
        // "ALL" ticks the eight colours.
        dlg.box(1258)->click();
        for (int id = 1250; id <= 1257; ++id) QVERIFY(dlg.box(id)->isChecked());
        // The live marks follow the machine within the dialog's period.
        d.AUXSetPurge(0);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.box(1315)->isChecked(), 2000);
    }
};

ORVIX_TEST_SUITE(QueueCommandsTest)

#include "QueueCommandsTest.moc"

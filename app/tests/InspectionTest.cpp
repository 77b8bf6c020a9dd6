// The start-up inspection: the tests in order with their results on the virtual printer and its
// faults, the emergency-stop polling, the finish, the re-run and the refused close.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "SettingsFixture.h"
#include "dialogs/InspectionDlg.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

namespace {

enum Fault { kNone, kEstopHeld, kEstopPressReleased, kDeadLeftSwitch, kDeadRightSwitch, kSlip, kNoMedia };

void selectOnly(CInspectionDlg& dlg, int test) {
    for (int t = 0; t < kInspectionTests; ++t) dlg.testBox(t)->setChecked(t == test);
}

#define WAIT_FOR_INSPECTION(dlg) QTRY_VERIFY_WITH_TIMEOUT(!(dlg).running(), 60000)

} // namespace

class InspectionTest : public QObject {
    Q_OBJECT
private slots:
    void opensAllSelected() {
        AppFixture f;
        CInspectionDlg dlg(f.app->engine());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("开机自检"));
        QCOMPARE(dlg.statusLine()->text(), QStringLiteral("Pls choose the items to Inspection"));
        for (int t = 0; t < kInspectionTests; ++t) {
            QVERIFY(dlg.testBox(t)->isChecked());
            QCOMPARE(dlg.testBox(t)->text(), QString::fromLatin1(inspectionItems()[t].name));
        }
    }

    void noTestSelectedOnlyFinishes() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        auto m = sim::machine();
        m->clearEvents();
        CInspectionDlg dlg(f.app->engine());
        selectOnly(dlg, -1);
        QTest::mouseClick(dlg.startButton(), Qt::LeftButton);
        QVERIFY(!dlg.startButton()->isEnabled());
        WAIT_FOR_INSPECTION(dlg);
        QCOMPARE(dlg.statusLine()->text(), QStringLiteral("Inspection Finish."));
        QVERIFY(dlg.startButton()->isEnabled());
        QCOMPARE(m->eventCount("move"), size_t(0));
        for (int t = 0; t < kInspectionTests; ++t)
            QCOMPARE(dlg.testBox(t)->text(), QString::fromLatin1(inspectionItems()[t].name));
    }

    void eachTestOnTheVirtualPrinter_data() {
        QTest::addColumn<int>("test");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("caption");
        const QString failed = "----Failed!!";
        QTest::newRow("emergency stop pressed and released") << int(kTestEmergencyStop) << int(kEstopPressReleased)
                                                             << "Emergency Stop Switch----OK!";
        QTest::newRow("emergency stop never released") << int(kTestEmergencyStop) << int(kEstopHeld)
                                                       << "Emergency Stop Switch" + failed;
        QTest::newRow("emergency stop never pressed") << int(kTestEmergencyStop) << int(kNone)
                                                      << "Emergency Stop Switch" + failed;
        QTest::newRow("home") << int(kTestHome) << int(kNone) << "Home Reposition----OK!";
        QTest::newRow("home, dead left switch") << int(kTestHome) << int(kDeadLeftSwitch) << homeFailureText(-1);
        QTest::newRow("encoder") << int(kTestEncoder) << int(kNone) << "Linear Encoder----OK!";
        QTest::newRow("encoder, slipping carriage")
            << int(kTestEncoder) << int(kSlip)
            << "Linear Encoder" + failed + " Pls Check Linear Encoder, and check the Movement parameters ";
        QTest::newRow("travel") << int(kTestMaxLength) << int(kNone) << "Maximum Moving Length----OK!";
        QTest::newRow("travel, dead far switch") << int(kTestMaxLength) << int(kDeadRightSwitch)
                                                 << "Maximum Moving Length" + failed;
        QTest::newRow("media") << int(kTestMeasure) << int(kNone) << "Measure Media----OK!";
        QTest::newRow("media, none loaded")
            << int(kTestMeasure) << int(kNoMedia)
            << "Measure Media" + failed + " Pls check Media Sensor or check if put madia on machine ";
        QTest::newRow("cleaning") << int(kTestCleaning) << int(kNone) << "Cleaning Printheads----Finished!";
        QTest::newRow("flash") << int(kTestFlash) << int(kNone) << "Flush jetting----Finished!";
    }
    void eachTestOnTheVirtualPrinter() {
        QFETCH(int, test);
        QFETCH(int, fault);
        QFETCH(QString, caption);
        AppFixture f;
        f.writeFile("setup.ini", "[CLEANING]\nuiFlashFrequency=3\n");
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        auto m = sim::machine();
        if (test >= kTestEncoder && test <= kTestMeasure) QVERIFY(d.PRNRePosition(1) > 0);
        switch (fault) {
        case kEstopHeld: m->pressEmergencyStop(true); break;
        case kEstopPressReleased:
            m->scheduleEmergencyStopAt(true, 1000000);
            m->scheduleEmergencyStopAt(false, 4000000);
            break;
        case kDeadLeftSwitch: m->setLimitFault(false, sim::LimitFault::Dead); break;
        case kDeadRightSwitch: m->setLimitFault(true, sim::LimitFault::Dead); break;
        case kSlip: m->setSlip(0.95); break;
        case kNoMedia: m->setMedia(0, 0); break;
        default: break;
        }
        CInspectionDlg dlg(d);
        selectOnly(dlg, test);
        QSignalSpy status(&dlg, &CInspectionDlg::status);
        dlg.start();
        WAIT_FOR_INSPECTION(dlg);
        QCOMPARE(dlg.testBox(test)->text(), caption);
        QCOMPARE(dlg.statusLine()->text(), QStringLiteral("Inspection Finish."));
        QVERIFY(dlg.testBox(test)->isEnabled()); // enabled again for the next run
        if (fault == kEstopPressReleased) {
            QCOMPARE(status.count(), 2);
            QCOMPARE(status.at(1).at(0).toString(), QStringLiteral("Pls Release Emergency Stop Switch"));
            QCOMPARE(d.bEmergencyStop.load(), 0u); // released: the machine may move again
        }
        if (test == kTestFlash) QCOMPARE(d.IMGCheckFlashPrint(), 1);
    }

    void homeFailureShowsTheCode() {
        QCOMPARE(homeFailureText(0),
                 QStringLiteral("Home Reposition----Failed!!Error Code: 0 Pls, Check Left/Right Limit Sensor and XMotor"));
    }

    void runsInOrderAndAgain() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        CInspectionDlg dlg(f.app->engine());
        for (int t = 0; t < kInspectionTests; ++t) dlg.testBox(t)->setChecked(t == kTestHome || t == kTestFlash);
        // Spied before the start: the worker's first line comes at once.
        QSignalSpy tested(&dlg, &CInspectionDlg::tested);
        QSignalSpy status(&dlg, &CInspectionDlg::status);
        dlg.start();
        WAIT_FOR_INSPECTION(dlg);
        QCOMPARE(tested.count(), 2);
        QCOMPARE(tested.at(0).at(0).toInt(), int(kTestHome));
        QCOMPARE(tested.at(1).at(0).toInt(), int(kTestFlash));
        QCOMPARE(status.at(0).at(0).toString(), QStringLiteral("Home Reposition now"));
        QCOMPARE(status.at(1).at(0).toString(), QStringLiteral("Check if Flush jetting is working now"));
        // Again, from finished.
        dlg.start();
        WAIT_FOR_INSPECTION(dlg);
        QCOMPARE(dlg.testBox(kTestHome)->text(), QStringLiteral("Home Reposition----OK!"));
    }

    void closingWhileRunningIsRefused() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        CInspectionDlg dlg(f.app->engine());
        dlg.show();
        dlg.start(); // the emergency test first: nobody presses the button
        dlg.reject();
        QVERIFY(dlg.isVisible());
        QCOMPARE(QString::fromStdString(f.answers->texts().back()), QStringLiteral("自检正在进行，当前测试结束后才能关闭。"));
        WAIT_FOR_INSPECTION(dlg);
        // The series ended after the test that ran.
        QCOMPARE(dlg.testBox(kTestHome)->text(), QStringLiteral("Home Reposition"));
        dlg.reject();
        QVERIFY(!dlg.isVisible());
    }

    void startupActionOpensTheInspection() {
        QObject scope;
        AppFixture f;
        f.writeFile("setup.ini", "");
        bool opened = false;
        onModal<CInspectionDlg>(&scope, [](CInspectionDlg* dlg) { dlg->reject(); }, &opened);
        QVERIFY(f.start(kActionHomeAndCheck).run);
        QVERIFY(opened);
    }
};

ORVIX_TEST_SUITE(InspectionTest)
#include "InspectionTest.moc"

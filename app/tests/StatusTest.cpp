// The status panes and the control bar filling.
#include <QtTest>

#include "Fixture.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"
#include "queue/PassModes.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

class StatusTest : public QObject {
    Q_OBJECT
private slots:
    void sensorsFormat() {
        QCOMPARE(sensorsText({1, 0, 0, 1, 0, 0, 0, 1, 0, 1}), QStringLiteral("STS:1001000101"));
        QCOMPARE(sensorsText({0, 0, 0, 0, 0, 0, 0, 0, 0, -1}), QStringLiteral("STS:000000000-1"));
    }

    void positionFormat_data() {
        QTest::addColumn<unsigned>("speed");
        QTest::addColumn<QString>("text");
        QTest::newRow("measured") << 850u << "POS:120/-5/33 SPD:850";
        QTest::newRow("3000 is a speed") << 3000u << "POS:120/-5/33 SPD:3000";
        QTest::newRow("3001 is none") << 3001u << "POS:120/-5/33 SPD:0";
        QTest::newRow("far above") << 100000u << "POS:120/-5/33 SPD:0";
    }
    void positionFormat() {
        QFETCH(unsigned, speed);
        QFETCH(QString, text);
        QCOMPARE(positionText(120, -5, 33, speed), text);
    }

    void passPaneShowsAndResetsNegativeCounts() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiStepSendCurrent = uint32_t(-3);
        d.uiStepTotal = 12;
        d.csPrintStep = tags::PRN;
        QCOMPARE(passText(d), QStringLiteral("PSS:0/12/PRN"));
        QCOMPARE(d.uiStepSendCurrent.load(), 0u);
        d.uiStepSendCurrent = 4;
        d.uiStepTotal = unsigned(-1);
        QCOMPARE(passText(d), QStringLiteral("PSS:4/0/PRN"));
        QCOMPARE(d.uiStepTotal, unsigned(-1)); // the print thread's: only read
    }

    void panesFollowTheMachine() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        StatusPanes* panes = f.app->frame()->statusPanes();
        CDrvPrint& d = f.app->engine();
        f.app->measuredSpeed = 3001;
        panes->refresh();
        QVERIFY(panes->position()->text().startsWith(QStringLiteral("POS:%1/").arg(d.MOVGetXPosition())));
        QVERIFY(panes->position()->text().endsWith(QStringLiteral(" SPD:0")));
        QVERIFY(panes->sensors()->text().startsWith(QStringLiteral("STS:")));
        QCOMPARE(panes->sensors()->text().size(), 14);
        // The emergency button shows as the second digit.
        sim::machine()->pressEmergencyStop(true);
        panes->refresh();
        QCOMPARE(panes->sensors()->text().at(5), QLatin1Char('1'));
        sim::machine()->pressEmergencyStop(false);
        panes->refresh();
        QCOMPARE(panes->sensors()->text().at(5), QLatin1Char('0'));
        // The timer's refresh takes the sensors from the sampling thread, never reading them itself.
        sim::machine()->pressEmergencyStop(true);
        QTRY_COMPARE_WITH_TIMEOUT((panes->tick(), panes->sensors()->text().at(5)), QLatin1Char('1'), 5000);
        sim::machine()->pressEmergencyStop(false);
        QTRY_COMPARE_WITH_TIMEOUT((panes->tick(), panes->sensors()->text().at(5)), QLatin1Char('0'), 5000);
    }

    void positionPaneKeptWithoutValidPosition() {
        AppFixture f;
        QVERIFY(f.start().run);
        StatusPanes* panes = f.app->frame()->statusPanes();
        CDrvPrint& d = f.app->engine();
        panes->position()->setText(QStringLiteral("kept"));
        d.iXPositionError = kNoPosition;
        panes->refresh();
        QCOMPARE(panes->position()->text(), QStringLiteral("kept"));
        d.iXPositionError = 0;
        panes->refresh();
        QVERIFY(panes->position()->text().startsWith(QStringLiteral("POS:")));
    }

    void panesRefreshOnTheirOwn() {
        AppFixture f;
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        d.uiStepTotal = 77;
        QTRY_VERIFY_WITH_TIMEOUT(f.app->frame()->statusPanes()->pass()->text().contains(QStringLiteral("/77/")), 2000);
    }

    void passListLessExcludedModes_data() {
        QTest::addColumn<QString>("excluded");
        QTest::addColumn<QStringList>("offered");
        const QStringList all = PassModes::all();
        QTest::newRow("none") << "" << all;
        QTest::newRow("no comma: nothing used") << "3 Pass" << all;
        QTest::newRow("two") << "3 Pass,12 Pass," << QStringList{"1 Pass", "2 Pass", "4 Pass", "6 Pass", "8 Pass", "16 Pass"};
        QTest::newRow("text after last comma unused") << "1 Pass,16 Pass"
                                                      << QStringList{"2 Pass", "3 Pass", "4 Pass", "6 Pass", "8 Pass",
                                                                     "12 Pass", "16 Pass"};
        QTest::newRow("unknown entry") << "5 Pass," << all;
    }
    void passListLessExcludedModes() {
        QFETCH(QString, excluded);
        QFETCH(QStringList, offered);
        QCOMPARE(PassModes(excluded.toStdString()).shown(), offered);
    }

    void controlBarFilledFromSettings() {
        AppFixture f;
        f.writeFile("setup-T.ini", "[PRINTMODE]\nuiPass=2\nuiXSpeed=3\ncsPassMode=1 Pass,\n");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-T.ini\n");
        QVERIFY(f.start().run);
        ControlBar* bar = f.app->frame()->controlBar();
        QCOMPARE(bar->passList()->count(), 7);
        QCOMPARE(bar->passList()->currentIndex(), 1);
        QCOMPARE(bar->passList()->currentText(), QStringLiteral("3 Pass")); // mode 2, wherever the list shows it
        QCOMPARE(bar->speedList()->currentIndex(), 2);
        QCOMPARE(bar->testList()->currentIndex(), 0);
        QCOMPARE(bar->zoomList()->currentText(), QStringLiteral("Fit"));
        QCOMPARE(bar->moveDistance()->text(), QStringLiteral("100"));
        fillControlBar(*bar, f.app->engine(), 7); // no such zoom: the last entry
        QCOMPARE(bar->zoomList()->currentIndex(), bar->zoomList()->count() - 1);
        fillControlBar(*bar, f.app->engine(), 2);
        QCOMPARE(bar->zoomList()->currentText(), QStringLiteral("2"));
    }
};

ORVIX_TEST_SUITE(StatusTest)

#include "StatusTest.moc"

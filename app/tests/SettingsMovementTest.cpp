// The movement page: the speed tables through the motor rate, zero refused, and the machine
// builder's calibration of the X and Y step sizes and the travel length on the virtual printer.
#include <QPushButton>

#include "SettingsFixture.h"
#include "dialogs/Params.h"
#include "dialogs/SetMovementDlg.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

namespace {

// A started application on a virtual printer with these physics.
struct MachineFixture {
    AppFixture f;
    std::shared_ptr<sim::Machine> machine;
    explicit MachineFixture(const sim::MachineConfig& cfg) {
        f.writeFile("setup.ini", "[PRINTMODE]\nuiPass=2\n");
        machine = sim::newMachine(cfg);
        [&] { QVERIFY(f.start().run); }();
    }
    CDrvPrint& d() { return f.app->engine(); }
};

// The page's machine work runs on its own thread: wait for its end.
#define WAIT_FOR_MACHINE(page) QTRY_VERIFY_WITH_TIMEOUT(!(page)->busy(), 60000)

} // namespace

class SettingsMovementTest : public QObject {
    Q_OBJECT
private slots:
    void speedConversion_data() {
        QTest::addColumn<float>("rate");
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("storedBack");
        QTest::newRow("generation 0, rate 1") << 1.0f << 0u << 300 << 300 << 300;
        QTest::newRow("generation 0, rate 2.5") << 2.5f << 0u << 3 << 8 << 3;
        QTest::newRow("generation 1, divider") << 25600.0f << 1u << 256 << 100 << 256;
        QTest::newRow("generation 1, rounded") << 1000.0f << 1u << 3 << 333 << 3;
        QTest::newRow("generation 1, empty entry") << 1000.0f << 1u << 0 << 0 << 0;
    }
    void speedConversion() {
        QFETCH(float, rate);
        QFETCH(unsigned, mode);
        QFETCH(int, table);
        QFETCH(int, shown);
        QFETCH(int, storedBack);
        QCOMPARE(speedShown(rate, mode, table), shown);
        int stored = -1;
        if (shown != 0 || mode == 0) {
            QVERIFY(speedStored(rate, mode, shown, stored));
            QCOMPARE(stored, storedBack);
        }
    }

    void speedsOnThePage_data() {
        QTest::addColumn<unsigned>("mode");
        QTest::newRow("generation 0") << 0u;
        QTest::newRow("generation 1") << 1u;
    }
    void speedsOnThePage() {
        QFETCH(unsigned, mode);
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiPcicardMode = mode;
        d.fXMotorRate = 2.0f;
        d.fYMotorRate = 4.0f;
        d.XSpeedPause[2] = 50;
        d.YSpeedPause[3] = 10;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        QCOMPARE(control<CNumEdit>(page, 1123)->text(), QString::number(mode == 1 ? 0 : 100)); // 2/50 rounds to 0
        QCOMPARE(control<CNumEdit>(page, 1129)->text(), QString::number(mode == 1 ? 0 : 40));
        typeInto(control<CNumEdit>(page, 1122), "8");
        typeInto(control<CNumEdit>(page, 1128), "2");
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.XSpeedPause[1], mode == 1 ? 0 : 4);  // nearest(2 / 8) or nearest(8 / 2)
        QCOMPARE(d.YSpeedPause[2], mode == 1 ? 2 : 1);  // nearest(4 / 2) or nearest(2 / 4)
        QCOMPARE(d.XSpeedPause[2], 50); // untouched entries keep their exact value
        QCOMPARE(d.YSpeedPause[3], 10);
    }

    void zeroSpeedRefused() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiPcicardMode = 1;
        d.fXMotorRate = 25600.0f;
        const int before = d.XSpeedPause[1];
        d.iXAccTime = 120;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        typeInto(control<CNumEdit>(page, 1122), "0");
        typeInto(control<CNumEdit>(page, 1276), "300");
        QVERIFY(!sheet.applyAll());
        QCOMPARE(d.XSpeedPause[1], before);
        QCOMPARE(d.iXAccTime, 120); // nothing of the page was written
        QCOMPARE(QString::fromStdString(f.answers->texts().back()), QStringLiteral("速度不能为 0。"));
    }

    void zeroMeasuredDistanceRefused() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        const float x = d.fXStepToMM, y = d.fYStepToMM;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        typeInto(control<CNumEdit>(page, 1187), "0");
        typeInto(control<CNumEdit>(page, 1188), "0");
        page->calculateX();
        page->calculateY();
        QCOMPARE(d.fXStepToMM, x);
        QCOMPARE(d.fYStepToMM, y);
        QCOMPARE(int(f.answers->texts().size()), 2);
        QCOMPARE(QString::fromStdString(f.answers->texts().back()), QStringLiteral("实测距离不能为 0。"));
    }

    void xStepSizeCalibration_data() {
        QTest::addColumn<double>("factor");
        QTest::newRow("machine needs 3% more pulses") << 1.03;
        QTest::newRow("machine needs 2% fewer pulses") << 0.98;
    }
    void xStepSizeCalibration() {
        QFETCH(double, factor);
        sim::MachineConfig cfg;
        cfg.xPulsesPerMM *= factor;
        MachineFixture m(cfg);
        CDrvPrint& d = m.d();
        const double truth = cfg.xPulsesPerMM * d.fMMPerXStep;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        QTest::mouseClick(control<QPushButton>(page, 1086), Qt::LeftButton);
        QVERIFY(page->busy());
        WAIT_FOR_MACHINE(page);
        // The encoder saw the carriage cover 1000 mm / factor.
        QVERIFY2(std::fabs(control<CNumEdit>(page, 1187)->GetValue() - 1000.0 / factor) < 3.0,
                 qPrintable(control<CNumEdit>(page, 1187)->text()));
        QTest::mouseClick(control<QPushButton>(page, 1087), Qt::LeftButton);
        QVERIFY2(std::fabs(d.fXStepToMM / truth - 1.0) < 0.005, qPrintable(QString::number(d.fXStepToMM)));
        QCOMPARE(control<CNumEdit>(page, 1185)->GetValue(), d.fXStepToMM);
        // With the new step size the metre is a metre.
        page->moveX();
        WAIT_FOR_MACHINE(page);
        QVERIFY(std::fabs(control<CNumEdit>(page, 1187)->GetValue() - 1000.0) < 5.0);
    }

    void yStepSizeCalibration() {
        sim::MachineConfig cfg;
        cfg.yPulsesPerMM *= 0.97;
        MachineFixture m(cfg);
        CDrvPrint& d = m.d();
        const double truth = cfg.yPulsesPerMM * d.fMMPerYStep;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        const double before = m.machine->mediaFeedMM();
        QTest::mouseClick(control<QPushButton>(page, 1088), Qt::LeftButton);
        WAIT_FOR_MACHINE(page);
        // The machine builder measures the feed with a ruler and types it in.
        const double fed = std::fabs(m.machine->mediaFeedMM() - before);
        QVERIFY(fed > 100.5);
        typeInto(control<CNumEdit>(page, 1188), QString::number(fed, 'f', 2));
        QTest::mouseClick(control<QPushButton>(page, 1089), Qt::LeftButton);
        QVERIFY2(std::fabs(d.fYStepToMM / truth - 1.0) < 0.005, qPrintable(QString::number(d.fYStepToMM)));
    }

    void maximumLength() {
        sim::MachineConfig cfg;
        cfg.travelMM = 2500;
        MachineFixture m(cfg);
        CDrvPrint& d = m.d();
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        QTest::mouseClick(control<QPushButton>(page, 1194), Qt::LeftButton);
        WAIT_FOR_MACHINE(page);
        // Switch to switch, less the back-off at each end.
        const double expect = cfg.travelMM / d.fMMPerXStep - d.uiRepositionLeft - d.uiRepositionRight;
        QVERIFY2(std::fabs(double(d.uiMovingLength) - expect) < 20, qPrintable(QString::number(d.uiMovingLength)));
        QCOMPARE(control<CNumEdit>(page, 1189)->text(), QString::number(d.uiMovingLength));
        QCOMPARE(m.machine->leftLimit() || m.machine->carriageMM() < 10, true); // homed again
    }

    void maximumLengthWithADeadSwitchChangesNothing() {
        MachineFixture m{sim::MachineConfig{}};
        CDrvPrint& d = m.d();
        m.machine->setLimitFault(true, sim::LimitFault::Dead);
        m.machine->setLimitFault(false, sim::LimitFault::Dead);
        d.uiMovingLength = 12345;
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        page->maxLength();
        WAIT_FOR_MACHINE(page);
        QCOMPARE(d.uiMovingLength, 12345u);
        QVERIFY(QString::fromStdString(f_texts(m)).contains(QStringLiteral("取最大长度失败")));
    }

    void noMachineMovesWhileAJobRuns() {
        MachineFixture m{sim::MachineConfig{}};
        CDrvPrint& d = m.d();
        d.bStopSeen = 0; // a job owns the machine
        m.machine->clearEvents();
        CParams sheet(d, true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        page->moveX();
        page->maxLength();
        QVERIFY(!page->busy());
        QCOMPARE(m.machine->eventCount("move"), size_t(0));
        QVERIFY(QString::fromStdString(f_texts(m)).contains(QStringLiteral("正在打印")));
        d.bStopSeen = 1;
    }

    void closingWaitsForTheMachine() {
        MachineFixture m{sim::MachineConfig{}};
        CParams sheet(m.d(), true, 1);
        CSetMovementDlg* page = sheet.movementPage();
        page->maxLength();
        sheet.reject();
        QVERIFY(QString::fromStdString(f_texts(m)).contains(QStringLiteral("机器正在运动")));
        WAIT_FOR_MACHINE(page);
    }

private:
    static std::string f_texts(MachineFixture& m) {
        std::string all;
        for (const auto& t : m.f.answers->texts()) all += t + "\n";
        return all;
    }
};

ORVIX_TEST_SUITE(SettingsMovementTest)
#include "SettingsMovementTest.moc"

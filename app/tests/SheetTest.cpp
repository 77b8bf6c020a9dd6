// The virtual printer's window: the sheet in ink colours, the carriage and the switches, live.
#include <QtTest>

#include "Fixture.h"
#include "frame/MainFrame.h"
#include "sim/SheetRender.h"
#include "sim/SheetWindow.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

class SheetTest : public QObject {
    Q_OBJECT
private slots:
    void renderInInkColours() {
        sim::Sheet s;
        s.reset(100, 254, 254, 2); // 1000 dots across
        s.setDot(0, 10, 5, true);
        s.setDot(1, 12, 5, true);
        s.setDot(0, 14, 5, true);
        s.setDot(1, 14, 5, true);
        const QImage img = renderSheet(s, {0x00FFFF, 0xFF00FF}, QSize(100, 100));
        QCOMPARE(img.size(), QSize(5, 1)); // the extent only
        QCOMPARE(QColor(img.pixel(0, 0)), QColor(0, 255, 255));
        QCOMPARE(QColor(img.pixel(1, 0)), QColor(255, 255, 255));
        QCOMPARE(QColor(img.pixel(2, 0)), QColor(255, 0, 255));
        QCOMPARE(QColor(img.pixel(4, 0)), QColor(0, 0, 255)); // cyan on magenta
    }

    void renderScalesDownToFit() {
        sim::Sheet s;
        s.reset(500, 254, 254, 1);
        for (int x = 0; x < 4000; ++x) s.setDot(0, x, x / 4, true);
        const QImage img = renderSheet(s, {0x000000}, QSize(400, 300));
        QVERIFY(img.width() <= 400 && img.height() <= 300);
        QCOMPARE(img.width(), 400);
        QVERIFY(renderSheet(sim::Sheet(), {}, QSize(10, 10)).isNull());
    }

    void windowShowsAJobAsItPrints() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        MainFrame* frame = f.app->frame();
        frame->updateCommands();
        QVERIFY(frame->action(ID_VIEW_SHEET)->isEnabled());
        QVERIFY(frame->runCommand(ID_VIEW_SHEET));
        SheetWindow* w = frame->sheetWindow();
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("虚拟打印机"));
        QTRY_VERIFY_WITH_TIMEOUT(w->updates() > 0, 5000);
        QVERIFY(w->sheetImage().isNull()); // nothing printed yet
        QVERIFY(w->snapshot().left || w->snapshot().carriageMM < 50); // homed at the left end

        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.path("job.prn"), 360, 240));
        QCOMPARE(d.PRNMeasure(), 1);
        sim::machine()->newSheet(); // the sheet starts where the media stands now
        startJob(d, f.path("job.prn"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen, 60000);
        QVERIFY2(d.csRefusal.empty(), d.csRefusal.c_str());
        QVERIFY(d.uiStepTotal > 0);
        QCOMPARE(d.uiStepSendCurrent.load(), d.uiStepTotal);
        const uint64_t drops = sim::machine()->drops(0) + sim::machine()->drops(1) + sim::machine()->drops(2) +
                               sim::machine()->drops(3);
        QVERIFY(drops > 0);
        QCOMPARE(sim::machine()->dropsOffSheet(), uint64_t(0));
        QTRY_VERIFY_WITH_TIMEOUT(w->snapshot().drops == drops, 5000);
        QVERIFY(w->snapshot().passes > 0);
        const QImage img = w->sheetImage();
        QVERIFY(!img.isNull());
        // Every one of the four inks shows somewhere on the picture.
        const std::vector<uint32_t>& inks = sim::machine()->config().inkRGB;
        for (int c = 0; c < 4; ++c) {
            bool found = false;
            for (int y = 0; y < img.height() && !found; ++y)
                for (int x = 0; x < img.width() && !found; ++x)
                    found = (img.pixel(x, y) & 0xFFFFFF) == inks[size_t(c)];
            QVERIFY2(found, qPrintable(QStringLiteral("ink %1 missing").arg(c)));
        }
    }
};

ORVIX_TEST_SUITE(SheetTest)

#include "SheetTest.moc"

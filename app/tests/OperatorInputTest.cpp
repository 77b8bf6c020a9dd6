// The operator's inputs: one pass-mode mapping everywhere, control-bar fields taken when their
// edit is finished, the "<" and ">" buttons, head boards that do not answer, deleting a queued or
// printing file, and the virtual sheet shown upright.
#include <QComboBox>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include <cstdlib>

#include "BrowserFixture.h"
#include "QueueFixture.h"
#include "SettingsFixture.h"
#include "dialogs/HeadParamsDialog.h"
#include "dialogs/JobPropertiesDialog.h"
#include "dialogs/Params.h"
#include "dialogs/PrintSettingDlg.h"
#include "queue/JobValues.h"
#include "queue/PassModes.h"
#include "sim/SheetWindow.h"

using namespace orvix;
using namespace orvix::test;

namespace {

bool said(AppFixture& f, const QString& start) {
    for (const std::string& t : f.answers->texts())
        if (QString::fromStdString(t).startsWith(start)) return true;
    return false;
}

// A 4-colour picture with a one-dot frame round its edge and a solid mark in one corner of the
// picture as the preview shows it: the file's last lines at their right end.
bool writeCornerRip(const QString& path, unsigned w, unsigned h) {
    return writeRip(path, w, h, 4, 180, [w, h](unsigned y, uint8_t* line, unsigned) {
        for (unsigned x = 0; x < w; ++x) {
            const bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const bool mark = x >= w * 2 / 3 && y >= h * 2 / 3;
            if (frame || mark) line[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    });
}

// How dark a quarter of a picture is on average (0 white): 0 top-left, 1 top-right, 2 bottom-left,
// 3 bottom-right.
double inkIn(const QImage& img, int quarter) {
    const int w = img.width() / 2, h = img.height() / 2;
    const int x0 = quarter % 2 ? img.width() - w : 0, y0 = quarter / 2 ? img.height() - h : 0;
    double dark = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) dark += 255 - qGray(img.pixel(x, y));
    return w > 0 && h > 0 ? dark / (w * h) : 0;
}

void finishEdit(QLineEdit* e, bool enter) {
    if (enter) {
        QTest::keyClick(e, Qt::Key_Return);
    } else {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(e, &out);
    }
}

} // namespace

class OperatorInputTest : public QObject {
    Q_OBJECT
private slots:
    void passModeMapping() {
        const PassModes m("1 Pass,2 Pass,");
        QCOMPARE(m.shown().first(), QStringLiteral("3 Pass"));
        QCOMPARE(m.shownIndexOf(2), 0);
        QCOMPARE(m.shownIndexOf(0), -1);
        QCOMPARE(m.modeAt(1), 3);
        QCOMPARE(m.modeAt(6), -1);
        QCOMPARE(PassModes::modeOf(QStringLiteral("12 Pass")), 6);
        QCOMPARE(PassModes::passCountOf(6), 12u);
        QCOMPARE(modeOfRow(QStringLiteral("3 Pass"), 5), 2u);  // the text wins
        QCOMPARE(modeOfRow(QStringLiteral("junk"), 99), 7u);   // else the index, held in range
    }

    void excludedModesNeverShiftThePassMode() {
        AppFixture f;
        f.writeFile("setup.ini", "[PRINTMODE]\nuiPass=2\ncsPassMode=1 Pass,2 Pass,\n");
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        ControlBar* bar = f.app->frame()->controlBar();
        QCOMPARE(bar->passList()->currentText(), QStringLiteral("3 Pass"));
        QVERIFY(makeRip(f.path("a.prn"), 64, 32));
        PrintQueue* q = queueOf(f);
        QVERIFY(q->addFile(f.path("a.prn")));
        const QueueRow row = q->model().row(0);
        QCOMPARE(row[kColPass], QStringLiteral("3 Pass"));
        QCOMPARE(row[kColPassIndex], QStringLiteral("2"));
        d.uiPass = 0;
        setJobValues(d, row, -1);
        QCOMPARE(d.uiPass, 2u);
        QCOMPARE(d.uiPassCount, 3u);
        // The properties dialog shows the same mode and gives it back unchanged.
        JobPropertiesDialog props(row, PassModes(d.csPassMode));
        QCOMPARE(props.passList()->currentText(), QStringLiteral("3 Pass"));
        QCOMPARE(props.row()[kColPassIndex], QStringLiteral("2"));
        // Options: the same list; choosing "8 Pass" there is mode 5.
        CParams sheet(d, false, 0);
        auto* list = control<QComboBox>(sheet.printPage(), 1066);
        QCOMPARE(list->currentText(), QStringLiteral("3 Pass"));
        list->setCurrentIndex(list->findText(QStringLiteral("8 Pass")));
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.uiPass, 5u);
        fillControlBar(*bar, d, -1);
        QCOMPARE(bar->passList()->currentText(), QStringLiteral("8 Pass"));
    }

    void barFieldsTakenWhenFinished_data() {
        QTest::addColumn<int>("field"); // 0 copies, 1 margin
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("taken");
        QTest::newRow("copies 300, Enter") << 0 << "300" << true << false;
        QTest::newRow("copies 0, focus out") << 0 << "0" << false << false;
        QTest::newRow("copies 30, Enter") << 0 << "30" << true << true;
        QTest::newRow("copies 255, focus out") << 0 << "255" << false << true;
        QTest::newRow("margin off the travel") << 1 << "60000" << true << false;
        QTest::newRow("margin 25") << 1 << "25" << false << true;
    }
    void barFieldsTakenWhenFinished() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(bool, taken);
        AppFixture f;
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        QLineEdit* e = field == 0 ? f.app->frame()->controlBar()->copies() : f.app->frame()->controlBar()->margin();
        const QString shown = e->text();
        auto value = [&] { return field == 0 ? d.uiPrintQty : d.uiMargin1; };
        const unsigned before = value();
        e->setFocus();
        e->selectAll();
        for (QChar c : typed) {
            QTest::keyClick(e, c.toLatin1());
            QCOMPARE(value(), before); // never keystroke by keystroke
        }
        finishEdit(e, enter);
        const unsigned want = field == 0 ? typed.toUInt() : unsigned(d.XMMToPulse(typed.toInt()));
        QCOMPARE(value(), taken ? want : before);
        QCOMPARE(e->text(), taken ? typed : shown);
    }

    void optionsRefuseCopiesAbove255() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiPrintQty = 7;
        CParams sheet(d, false, 0);
        control<CNumEdit>(sheet.printPage(), 1068)->setText(QStringLiteral("300"));
        QVERIFY(!sheet.applyAll());
        QCOMPARE(d.uiPrintQty, 7u);
    }

    void arrowButtonsMoveByTheDistance() {
        AppFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        ControlBar* bar = f.app->frame()->controlBar();
        bar->moveDistance()->setText(QStringLiteral("50"));
        const unsigned home = d.uiXTarget;
        const unsigned steps = unsigned(d.XMMToPulse(50));
        QTest::mouseClick(bar->forward(), Qt::LeftButton);
        QCOMPARE(d.uiXTarget, home + steps);
        auto near = [&](unsigned at) { return std::abs(int64_t(d.MOVGetXPosition()) - int64_t(at)) <= 2; };
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveX() == 0 && near(home + steps), 10000);
        QTest::mouseClick(bar->back(), Qt::LeftButton);
        QCOMPARE(d.uiXTarget, home);
        QTRY_VERIFY_WITH_TIMEOUT(d.MOVCheckIfMoveX() == 0 && near(home), 10000);
    }

    void silentHeadBoardIsReported_data() {
        QTest::addColumn<unsigned>("board");
        QTest::addColumn<int>("action"); // 0 read, 1 write, 2 voltages
        QTest::addColumn<QString>("message");
        QTest::newRow("read") << 1u << 0 << "读取喷头 3 的参数失败";
        QTest::newRow("write") << 1u << 1 << "写入喷头 3 的参数失败";
        QTest::newRow("voltages") << 2u << 2 << "喷头电压写入失败";
    }
    void silentHeadBoardIsReported() {
        QFETCH(unsigned, board);
        QFETCH(int, action);
        QFETCH(QString, message);
        AppFixture f;
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        d.uiHeadsParamsMode = 1; // the setup sends the voltage blocks
        HeadParamsDialog dlg(d, board);
        if (dlg.head()) {
            dlg.head()->setValue(3);
            dlg.bytes()->setText(QStringLiteral("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"));
        }
        auto run = [&] { return action == 0 ? dlg.readHead() : action == 1 ? dlg.writeHead() : dlg.writeVoltages(); };
        QVERIFY(run()); // the board answers
        QVERIFY(!said(f, message));
        sim::machine()->setHeadBoardSilent(true);
        const QString bytes = dlg.bytes() ? dlg.bytes()->text() : QString();
        QVERIFY(!run());
        sim::machine()->setHeadBoardSilent(false);
        QVERIFY(said(f, message));
        QVERIFY(QString::fromStdString(f.answers->texts().back()).contains(QStringLiteral("没有应答")));
        if (dlg.bytes()) QCOMPARE(dlg.bytes()->text(), bytes); // nothing lost
    }

    void deletingAQueuedOrPrintingFile() {
        BrowserFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.rip("a.prn"), 180, 4000)); // long enough to be caught printing
        QVERIFY(makeRip(f.rip("b.prn"), 180, 60));
        QVERIFY(f.refresh());
        FolderBrowser* b = f.browser();
        QString asked;
        b->confirm = [&asked](const QString& text) {
            asked = text;
            return true;
        };
        QVERIFY(q->addFile(f.rip("a.prn")));
        QVERIFY(q->addFile(f.rip("b.prn")));
        QVERIFY(q->addFile(f.rip("b.prn")));
        // The printing one is refused, with no question.
        q->print();
        QTRY_VERIFY_WITH_TIMEOUT(d.bPrintThreadRunning != 0, 30000);
        d.PRNPausePrinting(1);
        QVERIFY(d.bPrintThreadRunning != 0);
        b->selectRow(int(f.names().indexOf(QStringLiteral("a.bmp"))));
        b->deleteSelected();
        QVERIFY(asked.isEmpty());
        QVERIFY(said(f, QStringLiteral("该文件正在打印，不能删除")));
        QVERIFY(QFileInfo::exists(f.rip("a.prn")));
        // A queued one (while the other prints): the question names its rows, which go with it.
        b->selectRow(int(f.names().indexOf(QStringLiteral("b.bmp"))));
        b->deleteSelected();
        QVERIFY2(asked.contains(QStringLiteral("第 2, 3 行")), qPrintable(asked));
        QVERIFY(!QFileInfo::exists(f.rip("b.prn")));
        QCOMPARE(q->model().size(), 1);
        QCOMPARE(q->model().row(0)[kColFile], QStringLiteral("a.prn"));
        d.PRNStopPrinting(1);
        QVERIFY(waitIdle(*q));
    }

    void sheetShownUprightAsThePicture() {
        BrowserFixture f;
        QVERIFY(f.start(kActionHome).run);
        CDrvPrint& d = f.app->engine();
        QVERIFY(writeCornerRip(f.rip("corner.prn"), 240, 180));
        QVERIFY(f.refresh()); // renders the preview the browser shows
        const QImage picture(f.rip("corner.bmp"));
        QVERIFY(!picture.isNull());
        QVERIFY(inkIn(picture, 0) > 4 * inkIn(picture, 3)); // the mark is top-left in the picture
        QCOMPARE(d.PRNMeasure(), 1);
        sim::machine()->newSheet();
        startJob(d, f.rip("corner.prn"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.bPrintThreadRunning && d.bStopSeen, 60000);
        QVERIFY(f.frame()->runCommand(ID_VIEW_SHEET));
        SheetWindow* w = f.frame()->sheetWindow();
        uint64_t drops = 0;
        for (int c = 0; c < 4; ++c) drops += sim::machine()->drops(c);
        QVERIFY(drops > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!w->sheetImage().isNull() && w->snapshot().drops == drops, 10000);
        QVERIFY(inkIn(w->sheetImage(), 0) > 4 * inkIn(w->sheetImage(), 3));
        // The machine's own view: turned round.
        QVERIFY(f.frame()->runCommand(ID_VIEW_MACHINE));
        QVERIFY(w->machineView());
        QVERIFY(inkIn(w->sheetImage(), 3) > 4 * inkIn(w->sheetImage(), 0));
        f.frame()->updateCommands();
        QVERIFY(f.frame()->action(ID_VIEW_MACHINE)->isChecked());
    }
};

ORVIX_TEST_SUITE(OperatorInputTest)

#include "OperatorInputTest.moc"

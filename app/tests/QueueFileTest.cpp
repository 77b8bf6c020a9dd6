// The queue's rows and its file "PrintList.ini": texts, round trip, damaged files, refused names,
// the moves at the ends of the list.
#include <QtTest>

#include "QueueFixture.h"
#include "queue/JobValues.h"
#include "queue/QueueFile.h"
#include "queue/QueueModel.h"
#include "queue/QueueView.h"

#include <QContextMenuEvent>
#include <QMenu>

using namespace orvix;
using namespace orvix::test;

namespace {

QueueRow sampleRow(const QString& path, const QString& pass = QStringLiteral("4 Pass")) {
    QueueRow r;
    r[kColFile] = QFileInfo(path).fileName();
    r[kColPass] = pass;
    r[kColSpeed] = QStringLiteral("2");
    r[kColCopies] = QStringLiteral("3");
    r[kColMargin] = QStringLiteral("25");
    r[kColSize] = QStringLiteral("0.254x0.127:0.032m2");
    r[kColDpi] = QStringLiteral("100x100");
    r[kColStatus] = QString();
    r[kColPath] = path;
    r[kColPassIndex] = QStringLiteral("3");
    r[kColSpeedIndex] = QStringLiteral("2");
    r[kColInk] = QStringLiteral("12,10,11,12,13,0,0,0,0,0,0,");
    r[kColColors] = QStringLiteral("4");
    r[kColStartPass] = QStringLiteral("7");
    r[kColMirror] = QStringLiteral("YES");
    r[kColMediaFed] = QStringLiteral("0");
    return r;
}

} // namespace

class QueueFileTest : public QObject {
    Q_OBJECT
private slots:
    void texts() {
        RipHead h;
        h.uiWidth = 1000;
        h.uiHeight = 500;
        h.uiXDPI = 100;
        h.uiYDPI = 100;
        QCOMPARE(sizeText(h), QStringLiteral("0.254x0.127:0.032m2"));
        QCOMPARE(dpiText(h), QStringLiteral("100x100"));
        const unsigned levels[4] = {10, 11, 12, 13};
        QCOMPARE(inkText(levels, 4), QStringLiteral("12,10,11,12,13,0,0,0,0,0,0,")); // (46 + 2) / 4
        QCOMPARE(inkText(levels, 0), QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,"));
        QCOMPARE(QueueWorker::progressText(3, 12, QStringLiteral("00:10")), QStringLiteral("3/12 25%:00:10"));
        // A step count of 0 counts as 1: no division by zero.
        QCOMPARE(QueueWorker::progressText(0, 0, QString()), QStringLiteral("0/1 0%:"));
    }

    void passCountFromThePassText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("index");
        QTest::addColumn<unsigned>("passes");
        QTest::newRow("4 Pass") << "4 Pass" << "3" << 4u;
        QTest::newRow("4... whatever the index") << "4xyz" << "0" << 4u;
        QTest::newRow("12 Pass") << "12 Pass" << "6" << 12u;
        QTest::newRow("no number: the index's mode") << "Pass" << "4" << 6u;
        QTest::newRow("no number, index out of range") << "" << "99" << 16u;
    }
    void passCountFromThePassText() {
        QFETCH(QString, text);
        QFETCH(QString, index);
        QFETCH(unsigned, passes);
        QueueRow r = sampleRow(QStringLiteral("/x/a.prn"), text);
        r[kColPassIndex] = index;
        QCOMPARE(passCountOfRow(r), passes);
    }

    void jobValuesFromARow() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        CDrvPrint& d = f.app->engine();
        const QueueRow r = sampleRow(f.path("a.prn"));
        setJobValues(d, r, 2);
        QCOMPARE(d.uiPassCount, 4u);
        QCOMPARE(d.uiPass, 3u);
        QCOMPARE(d.uiXSpeed, 3u); // the control bar's speed, not the row's
        QCOMPARE(d.uiPrintQty, 3u);
        QCOMPARE(d.uiFire, unsigned(d.XMMToPulse(25)) + d.uiStartPos1 + d.uiLeftLimitPos);
        QCOMPARE(d.uiStepSendCurrent.load(), 7u);
        QCOMPARE(d.bHorizontalMirror, 1);
        QCOMPARE(d.uiMaskIndex[0], 10u);
        QCOMPARE(d.uiMaskIndex[3], 13u);
        QCOMPARE(d.uiPrintJobKind, 0u);
    }

    void roundTrip() {
        QTemporaryDir dir;
        const QString file = dir.filePath("PrintList.ini");
        std::vector<QueueRow> rows = {sampleRow(QStringLiteral("/m/一.prn")), sampleRow(QStringLiteral("/m/b.prn"), "2 Pass")};
        rows[1][kColStatus] = QStringLiteral("3/8 37%:00:12");
        QVERIFY(saveQueueFile(file, rows));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray text = raw.readAll();
        QVERIFY(text.startsWith("[PRINTLIST]"));
        // Columns 0 to 14, each followed by a TAB; column 15 is not stored.
        QVERIFY(text.contains("Job0=一.prn\t4 Pass\t2\t3\t25\t0.254x0.127:0.032m2\t100x100\t\t/m/一.prn\t3\t2\t"
                              "12,10,11,12,13,0,0,0,0,0,0,\t4\t7\tYES\t\r\n"));
        QVERIFY(text.contains("Job1=b.prn\t"));
        const QueueLoad l = loadQueueFile(file);
        QVERIFY(l.problems.isEmpty());
        QCOMPARE(int(l.rows.size()), 2);
        for (int c = 0; c < kStoredColumns; ++c) QCOMPARE(l.rows[1][c], rows[1][c]);
        QCOMPARE(l.rows[0][kColPath], QStringLiteral("/m/一.prn"));
        // No rows: no file.
        QVERIFY(saveQueueFile(file, {}));
        QVERIFY(!QFile::exists(file));
    }

    void loadStopsAtTheFirstEmptyValue() {
        QTemporaryDir dir;
        const QString file = dir.filePath("PrintList.ini");
        const QByteArray row = rowToLine(sampleRow("/m/a.prn")).toUtf8();
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[OTHER]\nJob0=" + row + "\n[printlist]\njob0=" + row + "\nJob1=" + row + "\nJob2=\nJob3=" + row + "\n");
        out.close();
        const QueueLoad l = loadQueueFile(file);
        QCOMPARE(int(l.rows.size()), 2);
        QVERIFY(l.problems.isEmpty());
    }

    void damagedFilesLoadWhatIsSound_data() {
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<int>("rows");
        QTest::newRow("binary bytes") << QByteArray("a\x01\x02\xff\xfe\tb\t\x00\x00", 11) << 2;
        QTest::newRow("missing TABs") << QByteArray("a.prn 4 Pass 2 3") << 2;
        QTest::newRow("10 MB line") << QByteArray(10 << 20, 'x') << 2;
        QTest::newRow("no path") << QByteArray("a\tb\tc\td\te\tf\tg\th\t\tj\tk\tl\tm\tn\to\t") << 2;
    }
    void damagedFilesLoadWhatIsSound() {
        QFETCH(QByteArray, bad);
        QFETCH(int, rows);
        QTemporaryDir dir;
        const QString file = dir.filePath("PrintList.ini");
        const QByteArray row = rowToLine(sampleRow("/m/a.prn")).toUtf8();
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[PRINTLIST]\r\nJob0=" + row + "\r\nJob1=" + bad + "\r\nJob2=" + row + "\r\n");
        out.close();
        const QueueLoad l = loadQueueFile(file);
        QCOMPARE(int(l.rows.size()), rows);
        QCOMPARE(l.problems.size(), 1);
        QVERIFY2(l.problems[0].startsWith(QStringLiteral("Job1:")), qPrintable(l.problems[0]));
    }

    void aHundredThousandRows() {
        QTemporaryDir dir;
        const QString file = dir.filePath("PrintList.ini");
        const QByteArray row = rowToLine(sampleRow("/m/a.prn")).toUtf8();
        QByteArray text = "[PRINTLIST]\n";
        for (int i = 0; i <= kQueueMaxRows; ++i) text += "Job" + QByteArray::number(i) + '=' + row + '\n';
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        const QueueLoad l = loadQueueFile(file);
        QCOMPARE(int(l.rows.size()), kQueueMaxRows);
        QCOMPARE(l.problems.size(), 1); // the rows beyond the limit are reported
    }

    void theApplicationKeepsTheQueueAndReportsDamage() {
        AppFixture f;
        const QByteArray row = rowToLine(sampleRow(f.path("a.prn"))).toUtf8();
        f.writeFile("PrintList.ini", "[PRINTLIST]\nJob0=" + row + "\nJob1=\x01\x02garbage\nJob2=" + row + "\n");
        QVERIFY(f.start(kActionNothing).run);
        PrintQueue* q = queueOf(f);
        QCOMPARE(q->model().size(), 2);
        QCOMPARE(q->loadProblems().size(), 1);
        QTRY_VERIFY(!f.answers->texts().empty()); // the operator is told
        QVERIFY(QFile::exists(f.path("PrintList.ini.damaged")));
        // Saved at shutdown (and after every change) with the sound rows.
        q->model().remove(1);
        QVERIFY(q->save());
        QCOMPARE(loadQueueFile(f.path("PrintList.ini")).rows.size(), size_t(1));
    }

    void namesWithTabsOrLineBreaksAreRefused() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        PrintQueue* q = queueOf(f);
        for (const char* name : {"tab\there.prn", "line\nbreak.prn"}) {
            QVERIFY(makeRip(f.path(QString::fromUtf8(name)), 16, 16));
            f.answers->clear();
            QVERIFY(!q->addFile(f.path(QString::fromUtf8(name))));
            QCOMPARE(q->model().size(), 0);
            QCOMPARE(f.answers->texts().size(), size_t(1));
        }
        f.answers->clear();
        QVERIFY(!q->addFile(f.path("missing.prn")));
        QCOMPARE(f.answers->texts(), std::vector<std::string>{"请选择RIP文件并添加到打印列表里进行打印"});
    }

    void addedRowsTakeTheControlBar() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        PrintQueue* q = queueOf(f);
        ControlBar& bar = *f.app->frame()->controlBar();
        bar.passList()->setCurrentIndex(3);
        bar.speedList()->setCurrentIndex(1);
        bar.copies()->setText("2");
        bar.margin()->setText("30");
        QVERIFY(makeRip(f.path("one.prn"), 360, 180, 4, 180));
        QVERIFY(q->addFile(f.path("one.prn")));
        const QueueRow& r = q->model().row(0);
        QCOMPARE(r[kColPass], QStringLiteral("4 Pass"));
        QCOMPARE(r[kColPassIndex], QStringLiteral("3"));
        QCOMPARE(r[kColSpeed], QStringLiteral("2"));
        QCOMPARE(r[kColSpeedIndex], QStringLiteral("2"));
        QCOMPARE(r[kColCopies], QStringLiteral("2"));
        QCOMPARE(r[kColMargin], QStringLiteral("30"));
        QCOMPARE(r[kColSize], QStringLiteral("0.051x0.025:0.001m2"));
        QCOMPARE(r[kColDpi], QStringLiteral("180x180"));
        QCOMPARE(r[kColColors], QStringLiteral("4"));
        QCOMPARE(r[kColMirror], QStringLiteral("NO"));
        QCOMPARE(r[kColInk], QStringLiteral("20,20,20,20,20,0,0,0,0,0,0,"));
    }

    void selectionShowsThePictureAndTakesTheHeader() {
        AppFixture f;
        QStringList shown;
        f.app->hooks.frameCreated = [&](MainFrame&) {
            f.app->hooks.showPicture = [&](const QString& bmp, const QString& rip) { shown << bmp << rip; };
        };
        QVERIFY(f.start(kActionNothing).run);
        PrintQueue* q = queueOf(f);
        QVERIFY(makeRip(f.path("a.prn"), 64, 32, 4, 180));
        QVERIFY(makeRip(f.path("b.prn"), 48, 24, 2, 360));
        QVERIFY(q->addFile(f.path("a.prn")));
        QVERIFY(q->addFile(f.path("b.prn")));
        q->view()->selectRow(1);
        QCOMPARE(shown, QStringList({f.path("b.bmp"), f.path("b.prn")}));
        CDrvPrint& d = f.app->engine();
        QCOMPARE(d.ripHead.uiWidth, 48u);
        QCOMPARE(d.ripHead.uiXDPI, 360u);
        // The menu opens 5 pixels inside the list's corner from the keyboard.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(200, 200), QPoint(900, 900));
        QCOMPARE(q->view()->menuPosition(key), q->view()->mapToGlobal(QPoint(5, 5)));
        QCOMPARE(q->view()->contextMenu()->actions().size(), 8);
    }

    void movesAtTheEndsDoNothing() {
        AppFixture f;
        QVERIFY(f.start(kActionNothing).run);
        PrintQueue* q = queueOf(f);
        for (const char* n : {"a.prn", "b.prn", "c.prn"}) {
            QVERIFY(makeRip(f.path(n), 16, 16));
            QVERIFY(q->addFile(f.path(n)));
        }
        auto files = [&] {
            QStringList l;
            for (const QueueRow& r : q->model().rows()) l << r[kColFile];
            return l.join(QLatin1Char(','));
        };
        q->moveDown(2);
        q->moveUp(0);
        q->moveToTop(0);
        q->moveToBottom(2);
        QCOMPARE(files(), QStringLiteral("a.prn,b.prn,c.prn"));
        q->moveToTop(2);
        QCOMPARE(files(), QStringLiteral("c.prn,a.prn,b.prn"));
        q->moveToBottom(0);
        q->moveDown(0);
        QCOMPARE(files(), QStringLiteral("b.prn,a.prn,c.prn"));
        q->removeRows({0, 2});
        QCOMPARE(files(), QStringLiteral("a.prn"));
        q->clearAll(); // nothing prints: every row goes
        QCOMPARE(q->model().size(), 0);
    }
};

ORVIX_TEST_SUITE(QueueFileTest)

#include "QueueFileTest.moc"

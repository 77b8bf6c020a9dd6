// The job record browser: the table's columns, the date condition, the rows from the database,
// and a full store of 4096 rows shown whole.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "SettingsFixture.h"
#include "dialogs/JobRecordsDlg.h"
#include "frame/MainFrame.h"

using namespace orvix;
using namespace orvix::test;

namespace {

// Rows dated `date` (one statement, so thousands go in at once).
void insertRows(int count, const char* date) {
    const std::string sql =
        "INSERT INTO JobRecord(Date_T, Date_E, FileName, Pass, Speed, Copies, Margin, Size_Area, DPI, Colors, "
        "PathFileName) WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
        std::to_string(count) + ") SELECT '" + date +
        "', 'end', 'f' || x || '.prn', '4 Pass', '2', 1, 15, '1.000x2.000:2.000 m2', '180x180', 4, '/rip/f' || x "
        "FROM n";
    QVERIFY(CJob::g_pDb && CJob::g_pDb->Execute(sql));
}

} // namespace

class RecordsTest : public QObject {
    Q_OBJECT
private slots:
    void condition_data() {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("condition");
        QTest::newRow("only an end") << QDate() << QDate(2026, 3, 9) << "Where Date_T <='2026-03-09 23:59:59'";
        QTest::newRow("both") << QDate(2026, 1, 2) << QDate(2026, 3, 9)
                              << "Where Date_T >='2026-01-02 00:00:00' and Date_T <='2026-03-09 23:59:59'";
        QTest::newRow("only a start") << QDate(2026, 1, 2) << QDate() << "Where Date_T >='2026-01-02 00:00:00'";
        QTest::newRow("none") << QDate() << QDate() << "";
    }
    void condition() {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, condition);
        QCOMPARE(recordCondition(start, end), condition);
        AppFixture f;
        CJobRecordsDlg dlg(f.app->engine());
        dlg.setStartDate(start);
        dlg.setEndDate(end);
        QTest::mouseClick(dlg.queryButton(), Qt::LeftButton);
        QCOMPARE(dlg.sqlLabel()->text(), condition);
    }

    void tableColumns() {
        AppFixture f;
        CJobRecordsDlg dlg(f.app->engine());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("打印任务记录"));
        const QStringList titles = {"ID", "起始", "结束", "文件名", "Pass", "速度", "数量", "尺寸", "DPI", "颜色", "状态", "打印路径"};
        const int widths[] = {60, 140, 40, 150, 40, 50, 40, 100, 80, 40, 100, 100};
        QCOMPARE(dlg.table()->columnCount(), titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            QCOMPARE(dlg.table()->horizontalHeaderItem(c)->text(), titles[c]);
            QCOMPARE(dlg.table()->columnWidth(c), widths[c]);
        }
        QCOMPARE(dlg.table()->font().pixelSize(), 16);
        // The last 30 days, set.
        QCOMPARE(dlg.startDate(), QDate::currentDate().addDays(-30));
        QCOMPARE(dlg.endDate(), QDate::currentDate());
    }

    void rowsBetweenTheDates() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        insertRows(1, "2026-01-01 08:00:00");
        insertRows(2, "2026-01-15 23:30:00");
        insertRows(1, "2026-02-01 00:00:00");
        CJobRecordsDlg dlg(f.app->engine());
        dlg.setStartDate(QDate(2026, 1, 10));
        dlg.setEndDate(QDate(2026, 1, 15));
        dlg.query();
        QCOMPARE(dlg.table()->rowCount(), 2);
        dlg.setStartDate(QDate());
        dlg.query();
        QCOMPARE(dlg.table()->rowCount(), 3);
        QTest::mouseClick(dlg.allButton(), Qt::LeftButton);
        QCOMPARE(dlg.table()->rowCount(), 4);
        // Texts 1-7 in columns 0-6, text 8 (the margin) not shown, texts 9-13 in columns 7-11.
        QCOMPARE(dlg.table()->item(0, 1)->text(), QStringLiteral("2026-01-01 08:00:00"));
        QCOMPARE(dlg.table()->item(0, 3)->text(), QStringLiteral("f1.prn"));
        QCOMPARE(dlg.table()->item(0, 7)->text(), QStringLiteral("1.000x2.000:2.000 m2"));
        QCOMPARE(dlg.table()->item(0, 8)->text(), QStringLiteral("180x180"));
    }

    void opensWithTheLast30Days() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        const QDate today = QDate::currentDate();
        insertRows(1, (today.addDays(-5).toString("yyyy-MM-dd") + " 12:00:00").toLatin1().constData());
        insertRows(1, (today.addDays(-40).toString("yyyy-MM-dd") + " 12:00:00").toLatin1().constData());
        CJobRecordsDlg dlg(f.app->engine());
        QCOMPARE(dlg.table()->rowCount(), 1);
        QCOMPARE(dlg.sqlLabel()->text(), recordCondition(today.addDays(-30), today));
    }

    void aFullStoreShowsEveryRow() {
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        insertRows(kJobRowsMax, "2026-01-05 10:00:00");
        CJobRecordsDlg dlg(f.app->engine());
        dlg.showAll();
        QCOMPARE(dlg.table()->rowCount(), kJobRowsMax);
        QCOMPARE(dlg.table()->item(kJobRowsMax - 1, 3)->text(), QStringLiteral("f4096.prn"));
    }

    void openedFromTheMenu() {
        QObject scope;
        AppFixture f;
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        bool opened = false;
        onModal<CJobRecordsDlg>(&scope, [](CJobRecordsDlg* dlg) { dlg->accept(); }, &opened);
        QVERIFY(f.app->frame()->runCommand(ID_JOB_RECORDS));
        QVERIFY(opened);
    }
};

ORVIX_TEST_SUITE(RecordsTest)
#include "RecordsTest.moc"

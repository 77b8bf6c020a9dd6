// The queue printing on the virtual printer: jobs in order, each sheet equal to its file; stop,
// pause and continue; the running row left alone; the last job loaded again and resumed.
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "QueueFixture.h"
#include "queue/QueueModel.h"
#include "queue/QueueView.h"

using namespace orvix;
using namespace orvix::test;

class QueuePrintTest : public QObject {
    Q_OBJECT
private slots:
    void twoFilesPrintInOrderAndEqualTheirFiles() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        QVERIFY(makeRip(f.path("a.prn"), 160, 120));
        QVERIFY(makeRip(f.path("b.prn"), 96, 200, 4));
        QVERIFY(q->addFile(f.path("a.prn")));
        QVERIFY(q->addFile(f.path("b.prn")));
        QCOMPARE(q->model().size(), 2);
        QCOMPARE(q->model().row(0)[kColFile], QStringLiteral("a.prn"));
        QCOMPARE(q->model().row(0)[kColPass], QStringLiteral("2 Pass"));
        QCOMPARE(q->model().row(0)[kColMargin], QStringLiteral("200"));

        std::vector<QString> order;
        std::vector<sim::Sheet> sheets{sim::machine()->sheet()};
        connect(&q->worker(), &QueueWorker::jobEnded, this, [&](const QString& file, const QString& how) {
            order.push_back(file + QLatin1Char(':') + how);
            sheets.push_back(sim::machine()->sheet());
        });
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        QCOMPARE(order, (std::vector<QString>{QStringLiteral("a.prn:printed"), QStringLiteral("b.prn:printed")}));
        QCOMPARE(q->model().size(), 0);
        QCOMPARE(sheetDifferences(sheets[1], sheets[0], f.path("a.prn")), int64_t(0));
        QCOMPARE(sheetDifferences(sheets[2], sheets[1], f.path("b.prn")), int64_t(0));
        QCOMPARE(sim::machine()->dropsOffSheet(), uint64_t(0));
        // An empty queue leaves no queue file.
        QTRY_VERIFY(!QFile::exists(f.path("PrintList.ini")));
        // Both jobs have their records, closed with their passes.
        CDrvPrint& d = f.app->engine();
        QVERIFY(d.job.DBRecordSelect("") >= 2);
    }

    void printSelectedPrintsThatRowOnly() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        QVERIFY(makeRip(f.path("a.prn"), 64, 64));
        QVERIFY(makeRip(f.path("b.prn"), 64, 64));
        QVERIFY(q->addFile(f.path("a.prn")));
        QVERIFY(q->addFile(f.path("b.prn")));
        q->printSelected(1);
        QVERIFY(q->worker().singleJob());
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 1);
        QCOMPARE(q->model().row(0)[kColFile], QStringLiteral("a.prn"));
    }

    // A job the engine refuses, and one an emergency stop ends: the row stays at the top, the run
    // ends, and the job's record says how it ended.
    void refusedAndEmergencyStoppedJobsKeepTheirRows() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        const auto status = std::find(CJob::kRowColumns.begin(), CJob::kRowColumns.end(), std::string("Status")) -
                            CJob::kRowColumns.begin();
        auto lastStatus = [&] {
            d.job.DBRecordSelect("");
            std::string st;
            int64_t best = -1;
            for (int r = 0; r < d.job.m_nRows; ++r) {
                const JobRow& row = d.job.m_Rows[size_t(r)];
                if (std::stoll(row[0]) > best) best = std::stoll(row[0]), st = row[size_t(status)];
            }
            return st;
        };
        QVERIFY(makeRip(f.path("bad.prn"), 64, 64, 4, 20)); // 20 dpi: refused
        QVERIFY(q->addFile(f.path("bad.prn")));
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 1);
        QCOMPARE(lastStatus(), std::string("refused"));
        q->clearAll();

        QVERIFY(makeRip(f.path("e.prn"), 96, 700));
        QVERIFY(q->addFile(f.path("e.prn")));
        sim::machine()->scheduleEmergencyStopAtPass(true, 2);
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        sim::machine()->pressEmergencyStop(false);
        QCOMPARE(q->model().size(), 1);
        QCOMPARE(q->model().row(0)[kColStatus], QString::fromLatin1(tags::EMG));
        QVERIFY2(lastStatus().rfind("EMG STOP! ", 0) == 0, lastStatus().c_str());
    }

    void stopKeepsTheRowAndPrintStartsItAgain() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.path("long.prn"), 120, 900));
        QVERIFY(q->addFile(f.path("long.prn")));
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 2 && !d.bStopSeen, 60000);
        f.answers->push(platform::IDYES);
        f.app->frame()->updateCommands();
        QVERIFY(f.app->frame()->runCommand(ID_STOP));
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 1);
        const unsigned stoppedAt = d.uiStepSendCurrent;
        QVERIFY(stoppedAt < d.uiStepSendCount);
        QVERIFY2(q->model().row(0)[kColStatus].startsWith(QStringLiteral("%1/").arg(stoppedAt)),
                 qPrintable(q->model().row(0)[kColStatus]));
        // The next print starts with the first row again and runs it to its end.
        QTRY_VERIFY_WITH_TIMEOUT(d.bStopSeen && !d.bPrintThreadRunning, 10000);
        f.app->frame()->updateCommands();
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 0);
        QCOMPARE(d.uiStepSendCurrent.load(), d.uiStepSendCount.load());
    }

    void pauseAndContinueWithTheirRules() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        // Nothing runs: the engine is ready and has nothing to stop.
        fr.updateCommands();
        QVERIFY(d.bStop);
        QVERIFY(!fr.action(ID_STOP)->isEnabled());
        QVERIFY(!fr.action(ID_PAUSE)->isEnabled());
        QVERIFY(fr.action(ID_PRINT)->isEnabled());

        QVERIFY(makeRip(f.path("p.prn"), 120, 700));
        QVERIFY(q->addFile(f.path("p.prn")));
        QVERIFY(fr.runCommand(ID_PRINT));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 1 && !d.bStopSeen, 60000);
        fr.updateCommands();
        QVERIFY(!fr.action(ID_PRINT)->isEnabled());
        QVERIFY(fr.action(ID_STOP)->isEnabled());
        QVERIFY(fr.action(ID_PAUSE)->isEnabled());
        QVERIFY(!fr.action(ID_HOME)->isEnabled());
        QVERIFY(fr.runCommand(ID_PAUSE));
        QTRY_VERIFY_WITH_TIMEOUT(d.bPauseSeen, 60000);
        const unsigned pausedAt = d.uiStepSendCurrent;
        fr.updateCommands();
        QVERIFY(fr.action(ID_HOME)->isEnabled());
        QVERIFY(fr.action(ID_LEFT)->isEnabled());
        QVERIFY(fr.action(ID_RIGHT)->isEnabled());
        QVERIFY(fr.action(ID_CONTINUE)->isEnabled());
        QVERIFY(!fr.action(ID_PRINT)->isEnabled());
        QVERIFY(!fr.action(ID_PAUSE)->isEnabled());
        QTest::qWait(20);
        QCOMPARE(d.uiStepSendCurrent.load(), pausedAt); // parked
        QVERIFY(fr.runCommand(ID_CONTINUE));
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 0);
        QCOMPARE(d.uiStepSendCurrent.load(), d.uiStepSendCount.load());
    }

    void theRunningRowIsLeftAlone() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        QVERIFY(makeRip(f.path("run.prn"), 120, 900));
        QVERIFY(makeRip(f.path("x.prn"), 40, 40));
        QVERIFY(makeRip(f.path("y.prn"), 40, 40));
        for (const char* n : {"run.prn", "x.prn", "y.prn"}) QVERIFY(q->addFile(f.path(n)));
        QVERIFY(f.app->frame()->runCommand(ID_PRINT));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 1 && !d.bStopSeen, 60000);
        QueueModel& m = q->model();
        auto files = [&] {
            QStringList l;
            for (const QueueRow& r : m.rows()) l << r[kColFile];
            return l.join(QLatin1Char(','));
        };
        q->moveDown(0);
        q->moveToBottom(0);
        q->removeRows({0});
        q->moveUp(1);     // would displace the running row
        q->moveToTop(2);  // does nothing while a job prints
        QCOMPARE(files(), QStringLiteral("run.prn,x.prn,y.prn"));
        q->moveUp(2);
        QCOMPARE(files(), QStringLiteral("run.prn,y.prn,x.prn"));
        q->clearAll();
        QCOMPARE(files(), QStringLiteral("run.prn"));
        // Properties on the running row: OK replaces it and the job takes the ink levels at once.
        QueueRow edited = m.row(0);
        edited[kColInk] = QStringLiteral("5,3,4,5,8,0,0,0,0,0,0,");
        q->applyProperties(0, edited);
        QCOMPARE(d.uiMaskIndex[0], 3u);
        QCOMPARE(d.uiMaskIndex[3], 8u);
        QCOMPARE(m.row(0)[kColInk], edited[kColInk]);
        // A test print is refused while the job prints.
        f.answers->clear();
        QTest::mouseClick(f.app->frame()->controlBar()->testButton(), Qt::LeftButton);
        QVERIFY(!f.answers->texts().empty());
        QVERIFY(QString::fromStdString(f.answers->texts().back()).startsWith(QStringLiteral("错误代码 00165")));
        f.answers->push(platform::IDYES);
        QVERIFY(f.app->frame()->runCommand(ID_STOP));
        QVERIFY(waitIdle(*q));
    }

    void stoppedJobResumesWithTheLastJob() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        QVERIFY(makeRip(f.path("r.prn"), 120, 900));
        QVERIFY(q->addFile(f.path("r.prn")));
        const sim::Sheet before = sim::machine()->sheet();
        QVERIFY(fr.runCommand(ID_PRINT));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 3 && !d.bStopSeen, 60000);
        f.answers->push(platform::IDYES);
        QVERIFY(fr.runCommand(ID_STOP));
        QVERIFY(waitIdle(*q));
        QTRY_VERIFY_WITH_TIMEOUT(d.bStopSeen && !d.bPrintThreadRunning, 10000);
        const unsigned stoppedAt = d.uiStepSendCurrent;
        QVERIFY(stoppedAt < d.uiStepSendCount);
        QVERIFY(fr.runCommand(ID_LOAD_LAST_JOB));
        // The loaded job takes the stopped row's place, to resume where it stopped.
        QCOMPARE(q->model().size(), 1);
        QCOMPARE(q->model().row(0)[kColFile], QStringLiteral("r.prn"));
        const unsigned resume = q->model().row(0)[kColStartPass].toUInt();
        QVERIFY(resume > 0 && resume <= stoppedAt);
        fr.updateCommands();
        QVERIFY(fr.runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        QCOMPARE(q->model().size(), 0);
        QCOMPARE(d.uiStepSendCurrent.load(), d.uiStepSendCount.load());
        QCOMPARE(sheetDifferences(sim::machine()->sheet(), before, f.path("r.prn")), int64_t(0));
        QVERIFY(d.job.DBRecordSelect("") >= 2);
    }

    // An operator's morning: three pictures queued; the first paused and continued, the second
    // stopped and resumed with the last job, the third printed; every sheet equals its file and
    // every job has its record.
    void threePicturesPausedStoppedResumed() {
        AppFixture f;
        PrintQueue* q = startForPrinting(f);
        QVERIFY(q);
        CDrvPrint& d = f.app->engine();
        MainFrame& fr = *f.app->frame();
        QVERIFY(makeRip(f.path("a.prn"), 96, 500));
        QVERIFY(makeRip(f.path("b.prn"), 120, 700));
        QVERIFY(makeRip(f.path("c.prn"), 80, 300));
        // The operator's pause reaches a.prn at its third pass and the stop b.prn at its fourth:
        // the print thread waits there (a little) for the command, so that at the fast clock the
        // job cannot run to its end before the window has seen its progress.
        std::atomic<bool> gateOn{true};
        d.onStepTag = [&d, &gateOn](const char* tag) {
            if (!gateOn || std::string(tag) != tags::PRN) return;
            const std::string file = d.csName.substr(d.csName.find_last_of('/') + 1);
            const unsigned pass = d.uiStepSendCurrent.load();
            const bool pauseHere = file == "a.prn" && pass == 2, stopHere = file == "b.prn" && pass == 3;
            if (!pauseHere && !stopHere) return;
            for (int i = 0; i < 2000 && !(pauseHere ? d.bPause.load() : d.bStop.load()); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        for (const char* n : {"a.prn", "b.prn", "c.prn"}) QVERIFY(q->addFile(f.path(n)));
        std::map<QString, sim::Sheet> after;
        QStringList ended;
        connect(&q->worker(), &QueueWorker::jobEnded, this, [&](const QString& file, const QString& how) {
            ended << file + QLatin1Char(':') + how;
            after[file] = sim::machine()->sheet();
        });
        const sim::Sheet start = sim::machine()->sheet();
        QVERIFY(fr.runCommand(ID_PRINT));
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 2 && !d.bStopSeen, 60000);
        QVERIFY(fr.runCommand(ID_PAUSE));
        QTRY_VERIFY_WITH_TIMEOUT(d.bPauseSeen, 60000);
        fr.updateCommands();
        QVERIFY(fr.runCommand(ID_CONTINUE));
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() == 1, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(d.uiStepSendCurrent >= 3 && !d.bStopSeen, 60000);
        f.answers->push(platform::IDYES);
        QVERIFY(fr.runCommand(ID_STOP));
        QVERIFY(waitIdle(*q));
        QCOMPARE(ended, QStringList({"a.prn:printed", "b.prn:stopped"}));
        QTRY_VERIFY_WITH_TIMEOUT(d.bStopSeen && !d.bPrintThreadRunning, 10000);
        QVERIFY(fr.runCommand(ID_LOAD_LAST_JOB));
        QCOMPARE(q->model().size(), 2);
        QVERIFY(q->model().row(0)[kColStartPass].toUInt() > 0);
        fr.updateCommands();
        gateOn = false;
        QVERIFY(fr.runCommand(ID_PRINT));
        QVERIFY(waitIdle(*q));
        d.onStepTag = nullptr;
        QCOMPARE(ended, QStringList({"a.prn:printed", "b.prn:stopped", "b.prn:printed", "c.prn:printed"}));
        QCOMPARE(q->model().size(), 0);
        QCOMPARE(sheetDifferences(after["a.prn"], start, f.path("a.prn")), int64_t(0));
        QCOMPARE(sheetDifferences(after["b.prn"], after["a.prn"], f.path("b.prn")), int64_t(0));
        QCOMPARE(sheetDifferences(after["c.prn"], after["b.prn"], f.path("c.prn")), int64_t(0));
        QCOMPARE(sim::machine()->dropsOffSheet(), uint64_t(0));
        // Four records: a, b stopped, b resumed, c.
        QCOMPARE(d.job.DBRecordSelect(""), 4);
    }
};

ORVIX_TEST_SUITE(QueuePrintTest)

#include "QueuePrintTest.moc"

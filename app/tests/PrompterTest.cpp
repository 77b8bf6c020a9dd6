// The GUI prompter: a worker thread's question shown as a modal box on the GUI thread, the worker
// blocked until the operator answers; safe answers once the application closes.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QtTest>

#include <atomic>
#include <thread>

#include "Fixture.h"
#include "GuiPrompter.h"

using namespace orvix;

namespace {

// Clicks a button of the modal box once it is shown; records the box's text.
void answerBoxWith(QMessageBox::StandardButton button, QString* text) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *text = box->text();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
        poll->deleteLater();
    });
    poll->start(5);
}

} // namespace

class PrompterTest : public QObject {
    Q_OBJECT
private slots:
    void workerQuestionAnsweredOnTheGuiThread_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expected");
        QTest::newRow("ok") << int(platform::Buttons::Ok) << int(QMessageBox::Ok) << int(platform::IDOK);
        QTest::newRow("yes") << int(platform::Buttons::YesNo) << int(QMessageBox::Yes) << int(platform::IDYES);
        QTest::newRow("no") << int(platform::Buttons::YesNo) << int(QMessageBox::No) << int(platform::IDNO);
        QTest::newRow("cancel") << int(platform::Buttons::YesNoCancel) << int(QMessageBox::Cancel)
                                << int(platform::IDCANCEL);
    }
    void workerQuestionAnsweredOnTheGuiThread() {
        QFETCH(int, buttons);
        QFETCH(int, click);
        QFETCH(int, expected);
        GuiPrompter p;
        std::atomic<int> answer{-1};
        QString shown;
        answerBoxWith(QMessageBox::StandardButton(click), &shown);
        std::thread worker([&] { answer = p.ask("是否终止打印?", platform::Buttons(buttons)); });
        QTRY_VERIFY_WITH_TIMEOUT(answer != -1, 10000);
        worker.join();
        QCOMPARE(answer.load(), expected);
        QCOMPARE(shown, QStringLiteral("是否终止打印?"));
    }

    void workerWaitsUntilAnswered() {
        GuiPrompter p;
        std::atomic<int> answer{-1};
        int answerWhileShown = 0;
        // The box stays up 100 ms before it is answered; meanwhile the worker must still wait.
        QElapsedTimer shown;
        auto* poll = new QTimer(qApp);
        connect(poll, &QTimer::timeout, [&, poll] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (!shown.isValid()) shown.start();
            if (shown.elapsed() < 100) return;
            answerWhileShown = answer;
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            poll->deleteLater();
        });
        poll->start(5);
        std::thread worker([&] { answer = p.ask("q", platform::Buttons::YesNo); });
        QTRY_COMPARE_WITH_TIMEOUT(answer.load(), int(platform::IDYES), 10000);
        worker.join();
        QCOMPARE(answerWhileShown, -1);
    }

    void closingGivesTheSafeAnswerWithoutABox() {
        GuiPrompter p;
        p.setClosing(true);
        // The GUI thread does not serve events here, as while it joins an engine thread.
        int answers[3] = {};
        std::thread worker([&] {
            answers[0] = p.ask("a", platform::Buttons::Ok);
            answers[1] = p.ask("b", platform::Buttons::YesNo);
            answers[2] = p.ask("c", platform::Buttons::YesNoCancel);
        });
        worker.join();
        QCOMPARE(answers[0], int(platform::IDOK));
        QCOMPARE(answers[1], int(platform::IDNO));
        QCOMPARE(answers[2], int(platform::IDCANCEL));
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::activeModalWidget());
    }

    void closingReleasesAWaitingWorker() {
        GuiPrompter p;
        std::atomic<int> answer{-1};
        // The GUI thread is busy (it does not run its event loop) while the worker asks...
        std::thread worker([&] { answer = p.ask("q", platform::Buttons::YesNo); });
        QThread::msleep(100);
        QCOMPARE(answer.load(), -1);
        // ...and then begins closing: the worker is released with the safe answer.
        p.setClosing(true);
        worker.join();
        QCOMPARE(answer.load(), int(platform::IDNO));
        // The question nobody waits for any more is never shown.
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::activeModalWidget());
    }
};

ORVIX_TEST_SUITE(PrompterTest)

#include "PrompterTest.moc"

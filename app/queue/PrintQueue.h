#pragma once
// The print queue of the main window: its rows (model), the list that shows them, the queue
// file, the operations of the list's context menu, and the worker that prints the rows.
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <thread>

#include "queue/QueueModel.h"
#include "queue/QueueRow.h"

class CDrvPrint;

namespace orvix {

class MainFrame;
class OrvixApp;
class QueueView;
class QueueWorker;

class PrintQueue : public QObject {
    Q_OBJECT
public:
    explicit PrintQueue(MainFrame& frame);
    ~PrintQueue() override;

    MainFrame& frame() { return frame_; }
    OrvixApp& app();
    CDrvPrint& engine();
    QueueModel& model() { return model_; }
    QueueView* view() const { return view_; }
    QueueWorker& worker() { return *worker_; }

    // The queue file and what its last load found wrong.
    QString filePath() const;
    void load();
    bool save();
    const QStringList& loadProblems() const { return loadProblems_; }

    // Adds a RIP file as the last row with the control bar's values; false (the operator was
    // told why) when there is no such file or its name cannot be kept in the queue file.
    bool addFile(const QString& path);
    RowValues controlBarValues() const;

    // A job prints (or a queue job is being started): the first row is that job and is left alone.
    bool jobActive() const;

    // The context menu's operations, on the rows given (list order).
    void moveUp(int row);
    void moveDown(int row);
    void moveToTop(int row);
    void moveToBottom(int row);
    void removeRows(QList<int> rows);
    void clearAll();
    // The rows that print a RIP file (the same file, however its path is written), list order.
    QList<int> rowsOf(const QString& rip) const;
    // The file is the job printing now: the running first row, or the file the engine prints.
    bool printing(const QString& rip) const;
    // Removes the rows of a file that does not print now; the number removed (0 while it prints).
    int removeFile(const QString& rip);
    // The job properties dialog on a row; OK replaces the row. False when it was not shown.
    bool editProperties(int row);
    void printSelected(int row);
    // A row became the current one: its picture in the image view, its header in the engine.
    void rowSelected(int row);

    // The print command: with rows, the worker starts with row 0; without, the browser's file is
    // added. Refused (the operator told) while the engine is busy.
    void print();
    // The last job the printing status names, as the first row. False when nothing was loaded.
    bool loadLastJob();

    // Replaces a row with edited values; the running first row also gives the engine its ink
    // levels at once.
    void applyProperties(int row, const QueueRow& edited);

    // Measures the carriage's speed during a long manual move (after the run-up, over a second)
    // into the application's speed value; one measurement at a time.
    void measureSpeed();

signals:
    void message(const QString& text);

private:
    void tell(const QString& text);
    bool startWorker(bool single);
    // The row index a move may target while a job prints (never above the running row).
    int firstMovable() const;

    MainFrame& frame_;
    QueueModel model_;
    QueueView* view_ = nullptr;
    QueueWorker* worker_ = nullptr;
    QTimer saveTimer_;
    QStringList loadProblems_;
    bool loading_ = false;
    std::atomic<bool> probing_{false};
    std::thread speedProbe_;
};

} // namespace orvix

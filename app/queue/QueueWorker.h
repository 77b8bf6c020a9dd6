#pragma once
// Prints the queue from its first row: sets the engine's job values from row 0, records the job,
// starts it, follows it (the progress text of row 0, the image view's job clock), removes the row
// when the job ran to its end and goes on with the next one. A stopped, refused or emergency-
// stopped job keeps its row at the top and ends the run.
//
// It is a state machine on the GUI thread's timer, not a thread of its own: it only reads the
// engine's flags and counters (atomics written by the print thread), and the model and widgets
// it changes belong to the GUI thread.
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace orvix {

class OrvixApp;
class ControlBar;
class QueueModel;

class QueueWorker : public QObject {
    Q_OBJECT
public:
    QueueWorker(OrvixApp& app, QueueModel& model, ControlBar* bar, QObject* parent = nullptr);

    // Starts with row 0; `single`: only that row. False (nothing started) when the engine is busy.
    bool start(bool single);
    // A job of the queue is being started or printed: row 0 is that job.
    bool running() const { return phase_ != Phase::Idle; }
    bool singleJob() const { return single_; }

    // Poll periods on the machine's clock: until the job has begun, and while it prints.
    static constexpr int kStartPollMs = 100;
    static constexpr int kPrintPollMs = 500;
    static constexpr int kStartPollsMax = 5000;

    // "%d/%d %d%%:%s"; a step count of 0 counts as 1.
    static QString progressText(unsigned current, unsigned count, const QString& time);

    // Seconds the last finished job took on the machine's clock, and what the queue estimated.
    double lastJobSeconds() const { return lastJobSeconds_; }
    double lastJobEstimate() const { return lastJobEstimate_; }

signals:
    // The run has ended (queue empty, single job done, or a job that did not end normally).
    void finished();
    // A job ended: its file and how ("printed", "stopped", "refused", "EMG STOP!").
    void jobEnded(const QString& file, const QString& how);

private:
    enum class Phase { Idle, Starting, Printing };
    void startRow();
    void poll();
    void beginPrinting();
    void endJob();
    void stop(const QString& file, const QString& how);
    void schedule(int machineMs);

    OrvixApp& app_;
    QueueModel& model_;
    ControlBar* bar_;
    QTimer timer_;
    Phase phase_ = Phase::Idle;
    bool single_ = false;
    int polls_ = 0;
    unsigned startPass_ = 0;
    uint64_t startUs_ = 0;
    double estimate_ = 0;
    double lastJobSeconds_ = 0;
    double lastJobEstimate_ = 0;
};

} // namespace orvix

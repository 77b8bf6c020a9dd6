#pragma once
// The one runner of long machine work outside a job: homing, far end, measuring, cleaning, purge
// and cleaner runs, the speed test, the start-up action. The engine call runs on a worker thread,
// so the window keeps answering; the GUI learns of the start and the end by queued signals. A stop
// asks the engine to end the work (its own flag and an axis stop), it never kills the thread.
// Qt Core only: the window, the remote face and the tests share it.
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class CDrvPrint;

namespace orvix {

class MachineWork : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(CDrvPrint&)>;
    using Done = std::function<void()>;

    explicit MachineWork(CDrvPrint& d, QObject* parent = nullptr);
    ~MachineWork() override; // stops the work and joins the worker

    // Starts `work` on the worker unless work runs (false then). `done` runs on the GUI thread
    // after the work has ended, before finished() is emitted. GUI thread only.
    bool start(const QString& title, Work work, Done done = {});
    bool running() const { return running_.load(); }
    // What runs ("" when nothing), and since when (real milliseconds).
    QString title() const;
    qint64 elapsedMs() const;
    // Asks the engine to end the work at once; returns without waiting.
    void stop();
    bool stopRequested() const { return stopRequested_.load(); }
    // Waits until the work has ended and its `done` ran (shutdown). Runs no events meanwhile; GUI
    // questions the work asks get the prompter's answer for a closing program.
    void waitForEnd();

signals:
    void started(const QString& title);
    void finished(const QString& title, bool stopped);

private:
    void ended(quint64 serial);

    CDrvPrint& d_;
    mutable std::mutex lock_;
    std::thread thread_;
    QString title_;
    Done done_;
    QElapsedTimer clock_;
    quint64 serial_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
};

} // namespace orvix

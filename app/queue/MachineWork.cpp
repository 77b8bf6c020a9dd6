#include "queue/MachineWork.h"

#include <QMetaObject>

#include "core/DrvPrint.h"
#include "platform/Log.h"

namespace orvix {

MachineWork::MachineWork(CDrvPrint& d, QObject* parent) : QObject(parent), d_(d) {}

MachineWork::~MachineWork() {
    if (running_) {
        d_.PRNStopMachineWork();
        if (thread_.joinable()) thread_.join();
        d_.PRNClearMachineWorkStop();
    }
}

bool MachineWork::start(const QString& title, Work work, Done done) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join(); // a worker that ended but was not reaped yet
    quint64 serial = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        title_ = title;
        clock_.start();
        serial = ++serial_;
    }
    done_ = std::move(done);
    stopRequested_ = false;
    running_ = true;
    // A stop of the last work must not end this one before it starts.
    d_.PRNClearMachineWorkStop();
    platform::log(platform::LogLevel::Info, "machine work: " + title.toStdString());
    thread_ = std::thread([this, serial, work = std::move(work)] {
        work(d_);
        d_.PRNClearMachineWorkStop();
        QMetaObject::invokeMethod(this, [this, serial] { ended(serial); }, Qt::QueuedConnection);
    });
    emit started(title);
    return true;
}

QString MachineWork::title() const {
    std::lock_guard<std::mutex> hold(lock_);
    return running_ ? title_ : QString();
}

qint64 MachineWork::elapsedMs() const {
    std::lock_guard<std::mutex> hold(lock_);
    return running_ && clock_.isValid() ? clock_.elapsed() : 0;
}

void MachineWork::stop() {
    if (!running_) return;
    stopRequested_ = true;
    d_.PRNStopMachineWork();
}

void MachineWork::waitForEnd() {
    if (!running_) return;
    if (thread_.joinable()) thread_.join();
    ended(serial_);
}

void MachineWork::ended(quint64 serial) {
    QString title;
    {
        std::lock_guard<std::mutex> hold(lock_);
        // Reaped already (waitForEnd), or the signal of an earlier work.
        if (serial != serial_ || !running_) return;
        title = title_;
    }
    if (thread_.joinable()) thread_.join();
    running_ = false;
    const bool stopped = stopRequested_.exchange(false);
    platform::log(platform::LogLevel::Info,
                  "machine work ended: " + title.toStdString() + (stopped ? " (stopped by the operator)" : ""));
    if (Done done = std::move(done_)) done();
    done_ = nullptr;
    emit finished(title, stopped);
}

} // namespace orvix

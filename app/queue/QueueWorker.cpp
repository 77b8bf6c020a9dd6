#include "queue/QueueWorker.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "frame/ControlBar.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "queue/JobValues.h"
#include "queue/QueueModel.h"

namespace orvix {

QueueWorker::QueueWorker(OrvixApp& app, QueueModel& model, ControlBar* bar, QObject* parent)
    : QObject(parent), app_(app), model_(model), bar_(bar) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QueueWorker::poll);
}

QString QueueWorker::progressText(unsigned current, unsigned count, const QString& time) {
    const unsigned n = count ? count : 1;
    return QString::asprintf("%u/%u %u%%:", current, n, unsigned(uint64_t(current) * 100 / n)) + time;
}

bool QueueWorker::start(bool single) {
    CDrvPrint& d = app_.engine();
    if (running() || !d.bStopSeen || d.bPrintThreadRunning) return false;
    single_ = single;
    startRow();
    return true;
}

void QueueWorker::schedule(int machineMs) {
    // The poll periods are machine time: a virtual printer run faster is followed as fast.
    const double scale = std::max(1.0, platform::timeScale());
    timer_.start(std::max(1, int(std::lround(machineMs / scale))));
}

void QueueWorker::startRow() {
    CDrvPrint& d = app_.engine();
    if (model_.empty()) {
        phase_ = Phase::Idle;
        emit finished();
        return;
    }
    if (!app_.ensurePrintBuffers()) {
        phase_ = Phase::Idle;
        emit finished();
        return;
    }
    const QueueRow row = model_.row(0);
    JobList job = jobOfRow(row);
    const int speed = bar_ ? bar_->speedList()->currentIndex() : -1;
    setJobValues(d, row, speed);
    job.uiQty = d.uiPrintQty;
    estimate_ = estimateSeconds(d, row);
    startPass_ = d.uiStepSendCurrent;
    d.AUXDBRecordSave(&job);
    // The tag of an earlier job ("CLS" of a refusal) must not be taken for this one's.
    d.csPrintStep = tags::kNone;
    startUs_ = platform::nowUs();
    phase_ = Phase::Starting;
    polls_ = 0;
    platform::logf(platform::LogLevel::Info, "queue: printing %s (%u passes a band, %u copies), estimated %.0f s",
                   job.csFile.c_str(), d.uiPassCount, d.uiPrintQty, estimate_);
    d.PRNPrintFile(job.csPath);
    schedule(kStartPollMs);
}

void QueueWorker::poll() {
    CDrvPrint& d = app_.engine();
    if (phase_ == Phase::Starting) {
        ++polls_;
        if (d.csPrintStep.is(tags::CLS) || d.csPrintStep.is(tags::EMG) || d.csPrintStep.is(tags::PRN) ||
            !d.bPrintThreadRunning || polls_ >= kStartPollsMax) {
            beginPrinting();
        } else {
            schedule(kStartPollMs);
            return;
        }
    }
    if (phase_ != Phase::Printing) return;
    const unsigned current = d.uiStepSendCurrent, count = d.uiStepSendCount;
    const QString time = app_.hooks.jobTimeText ? app_.hooks.jobTimeText() : QString();
    if (!model_.empty()) model_.setText(0, kColStatus, progressText(current, count, time));
    if (current == 0 && app_.hooks.startJobClock) app_.hooks.startJobClock(d.uiStepTotal, d.uiStepTotal);
    // The job has ended when the engine is ready again, or when its thread is gone without
    // making it ready (an emergency stop). The next job waits for the thread to be gone.
    if ((d.bStopSeen || !d.bPrintThreadRunning) && !d.bPrintThreadRunning) {
        endJob();
        return;
    }
    schedule(kPrintPollMs);
}

void QueueWorker::beginPrinting() {
    CDrvPrint& d = app_.engine();
    phase_ = Phase::Printing;
    if (d.csPrintStep.is(tags::CLS)) return; // refused: poll() ends it at once
    if (app_.hooks.startJobClock) app_.hooks.startJobClock(d.uiStepTotal, d.uiStepTotal - std::min(d.uiStepTotal, d.uiStepSendCurrent.load()));
}

void QueueWorker::endJob() {
    CDrvPrint& d = app_.engine();
    if (app_.hooks.stopJobClock) app_.hooks.stopJobClock();
    const QString file = model_.empty() ? QString() : model_.row(0)[kColFile];
    const unsigned current = d.uiStepSendCurrent, count = d.uiStepSendCount, total = d.uiStepTotal;
    if (d.csPrintStep.is(tags::EMG)) {
        d.job.DBRecordSetEnding(std::string(tags::EMG) + " " + std::to_string(current) + "/" + std::to_string(total));
        if (!model_.empty()) model_.setText(0, kColStatus, QString::fromLatin1(tags::EMG));
        stop(file, QString::fromLatin1(tags::EMG));
        return;
    }
    if (d.csPrintStep.is(tags::CLS)) {
        if (d.bStoppedAtStart) { // the engine closed its record
            stop(file, QStringLiteral("stopped"));
            return;
        }
        // A job that failed on its way closed its record itself; a refused one is closed here.
        if (current == startPass_) d.job.DBRecordSetEnding("refused");
        stop(file, QStringLiteral("refused"));
        return;
    }
    if (current != count) {
        stop(file, QStringLiteral("stopped"));
        return;
    }
    lastJobSeconds_ = double(platform::nowUs() - startUs_) / 1e6;
    lastJobEstimate_ = estimate_;
    platform::logf(platform::LogLevel::Info, "queue: %s printed in %.1f s of machine time, estimated %.1f s (%+.0f%%)",
                   file.toUtf8().constData(), lastJobSeconds_, estimate_,
                   lastJobSeconds_ > 0 ? (estimate_ - lastJobSeconds_) * 100.0 / lastJobSeconds_ : 0.0);
    model_.remove(0);
    emit jobEnded(file, QStringLiteral("printed"));
    if (single_) {
        phase_ = Phase::Idle;
        emit finished();
        return;
    }
    startRow();
}

void QueueWorker::stop(const QString& file, const QString& how) {
    phase_ = Phase::Idle;
    emit jobEnded(file, how);
    emit finished();
}

} // namespace orvix

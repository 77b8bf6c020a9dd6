#include "queue/PrintQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "dialogs/JobPropertiesDialog.h"
#include "frame/Commands.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "queue/JobValues.h"
#include "queue/MachineCommands.h"
#include "queue/QueueFile.h"
#include "queue/QueueView.h"
#include "queue/QueueWorker.h"

namespace orvix {

namespace {

QString queueText(const char* source) { return QCoreApplication::translate("Queue", source); }

} // namespace

PrintQueue::PrintQueue(MainFrame& frame) : QObject(&frame), frame_(frame) {
    setObjectName(QStringLiteral("printQueue"));
    view_ = new QueueView(*this, &frame);
    worker_ = new QueueWorker(frame.app(), model_, frame.controlBar(), this);
    // The queue file follows every change (written once the change is complete), so that a
    // crash loses no queued job.
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(0);
    connect(&saveTimer_, &QTimer::timeout, this, [this] { save(); });
    connect(&model_, &QueueModel::rowsChanged, this, [this] {
        if (!loading_) saveTimer_.start();
    });
}

PrintQueue::~PrintQueue() {
    if (speedProbe_.joinable()) speedProbe_.join();
}

void PrintQueue::measureSpeed() {
    if (probing_) return;
    if (speedProbe_.joinable()) speedProbe_.join();
    probing_ = true;
    OrvixApp* a = &app();
    speedProbe_ = std::thread([this, a] {
        CDrvPrint& d = a->engine();
        platform::sleepMs(uint32_t(std::max(0, d.iXAccTime)) + 1000);
        const unsigned x0 = d.MOVGetXPosition();
        const uint32_t t0 = platform::tickMs();
        platform::sleepMs(1000);
        const unsigned x1 = d.MOVGetXPosition();
        a->measuredSpeed = carriageSpeed(d, x0, x1, platform::tickMs() - t0);
        probing_ = false;
    });
}

OrvixApp& PrintQueue::app() { return frame_.app(); }
CDrvPrint& PrintQueue::engine() { return frame_.app().engine(); }

QString PrintQueue::filePath() const {
    return QDir(QString::fromStdString(frame_.app().engine().csBaseDir)).filePath(QString::fromLatin1(kQueueFileName));
}

void PrintQueue::load() {
    const QString path = filePath();
    QueueLoad l = loadQueueFile(path);
    loadProblems_ = l.problems;
    for (QueueRow& r : l.rows) r[kColEstimate] = estimateText(estimateSeconds(engine(), r));
    loading_ = true;
    model_.setRows(std::move(l.rows));
    loading_ = false;
    if (!loadProblems_.isEmpty()) {
        // The damaged file is kept beside the queue: the next save rewrites the queue file.
        const QString kept = path + QStringLiteral(".damaged");
        QFile::remove(kept);
        QFile::copy(path, kept);
        for (const QString& p : loadProblems_) platform::log(platform::LogLevel::Warn, "queue file: " + p.toStdString());
        QStringList shown = loadProblems_.mid(0, 8);
        if (loadProblems_.size() > shown.size()) shown << QStringLiteral("...");
        const QString text = queueText(QT_TRANSLATE_NOOP("Queue", "打印列表文件有错误，已跳过以下内容（原文件保存为 %1）：\n%2")).arg(kept, shown.join(QLatin1Char('\n')));
        QTimer::singleShot(0, this, [this, text] { tell(text); });
    }
}

bool PrintQueue::save() {
    saveTimer_.stop();
    const bool ok = saveQueueFile(filePath(), model_.rows());
    if (!ok) platform::log(platform::LogLevel::Error, "queue file not written: " + filePath().toStdString());
    return ok;
}

void PrintQueue::tell(const QString& text) {
    emit message(text);
    platform::messageBox(text.toStdString());
}

RowValues PrintQueue::controlBarValues() const {
    const ControlBar* bar = frame_.controlBar();
    CDrvPrint& d = frame_.app().engine();
    RowValues v;
    v.passIndex = chosenPassMode(*bar, d);
    v.passText = PassModes::textOf(v.passIndex);
    v.speedText = bar->speedList()->currentText();
    v.speedIndex = unsigned(std::max(0, bar->speedList()->currentIndex()) + 1);
    bool ok = false;
    const unsigned copies = bar->copies()->text().toUInt(&ok);
    v.copies = ok && copies >= 1 && copies <= 255 ? copies : std::max(1u, d.uiPrintQty);
    const unsigned margin = bar->margin()->text().toUInt(&ok);
    v.marginMM = ok ? margin : unsigned(std::max(0, d.XPulseToMM(int32_t(d.uiMargin1))));
    v.mirror = d.bHorizontalMirror != 0;
    return v;
}

bool PrintQueue::addFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "请选择RIP文件并添加到打印列表里进行打印")));
        return false;
    }
    if (!storableName(path)) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "文件名中含有制表符或换行符，无法加入打印列表，请重命名该文件：\n%1")).arg(path));
        return false;
    }
    QueueRow row = makeRow(engine(), QFileInfo(path).absoluteFilePath(), controlBarValues());
    row[kColEstimate] = estimateText(estimateSeconds(engine(), row));
    view_->clearSelection();
    model_.insert(10000, row);
    return true;
}

bool PrintQueue::jobActive() const {
    const CDrvPrint& d = frame_.app().engine();
    return worker_->running() || d.PRNJobActive();
}

int PrintQueue::firstMovable() const { return jobActive() && !model_.empty() ? 1 : 0; }

void PrintQueue::moveUp(int row) {
    if (row < firstMovable() || row - 1 < firstMovable() || row >= model_.size()) return;
    model_.move(row, row - 1);
    view_->clearSelection();
}

void PrintQueue::moveDown(int row) {
    if (row < firstMovable() || row + 1 >= model_.size()) return;
    model_.move(row, row + 1);
    view_->clearSelection();
}

void PrintQueue::moveToTop(int row) {
    if (jobActive() || row <= 0 || row >= model_.size()) return;
    model_.move(row, 0);
    view_->clearSelection();
}

void PrintQueue::moveToBottom(int row) {
    if (row < firstMovable() || row >= model_.size() - 1) return;
    model_.move(row, model_.size() - 1);
    view_->clearSelection();
}

void PrintQueue::removeRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    const int first = firstMovable();
    for (int r : rows)
        if (r >= first && r < model_.size()) model_.remove(r);
}

void PrintQueue::clearAll() { model_.removeFrom(firstMovable()); }

namespace {

// Two paths of one file: compared as the file system resolves them, or as written when it has
// no such file (any more).
bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty()) return ca == cb;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

} // namespace

QList<int> PrintQueue::rowsOf(const QString& rip) const {
    QList<int> rows;
    for (int r = 0; r < model_.size(); ++r)
        if (sameFile(model_.row(r)[kColPath], rip)) rows << r;
    return rows;
}

bool PrintQueue::printing(const QString& rip) const {
    if (!jobActive()) return false;
    if (!model_.empty() && worker_->running() && sameFile(model_.row(0)[kColPath], rip)) return true;
    const CDrvPrint& d = frame_.app().engine();
    return (d.bPrintThreadRunning || !d.bStopSeen) && sameFile(QString::fromStdString(d.csName), rip);
}

int PrintQueue::removeFile(const QString& rip) {
    if (printing(rip)) return 0;
    QList<int> rows = rowsOf(rip);
    // While a job prints its first row stays (it is another file's: this one does not print).
    const int first = firstMovable();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    int removed = 0;
    for (int r : rows)
        if (r >= first) model_.remove(r), ++removed;
    return removed;
}

bool PrintQueue::editProperties(int row) {
    CDrvPrint& d = engine();
    if (!d.bHardwareOK || row < 0 || row >= model_.size()) return false;
    JobPropertiesDialog dlg(model_.row(row), PassModes(d.csPassMode), view_);
    if (dlg.exec() != QDialog::Accepted) return true;
    // The row may have gone meanwhile (the worker finished the job): edit what is still there.
    if (row < model_.size() && model_.row(row)[kColPath] == dlg.row()[kColPath]) applyProperties(row, dlg.row());
    return true;
}

void PrintQueue::applyProperties(int row, const QueueRow& edited) {
    if (row < 0 || row >= model_.size()) return;
    QueueRow r = edited;
    r[kColStatus] = model_.row(row)[kColStatus];
    r[kColEstimate] = estimateText(estimateSeconds(engine(), r));
    model_.replace(row, r);
    if (row == 0 && jobActive()) {
        // The running job takes its new ink levels at once.
        CDrvPrint& d = engine();
        const JobList job = jobOfRow(r);
        const unsigned channels = std::min<unsigned>({job.uiColors, kRowInkChannels, kMaxColors});
        for (unsigned i = 0; i < channels; ++i) d.uiMaskIndex[i] = std::min<unsigned>(job.uiColorMask[i], kMaskCount);
    }
}

void PrintQueue::rowSelected(int row) {
    if (row < 0 || row >= model_.size()) return;
    const QueueRow& r = model_.row(row);
    if (r[kColFile].isEmpty()) return;
    const QString path = r[kColPath];
    if (app().hooks.showPicture) app().hooks.showPicture(path.left(path.size() - 4) + QStringLiteral(".bmp"), path);
    // The engine's header is the running job's while one prints: it is not replaced then.
    if (!jobActive()) {
        RipHead h;
        if (engine().AUXGetRipHead(path.toStdString(), &h) == 0) engine().PRNOfferRipHead(h);
    }
}

bool PrintQueue::startWorker(bool single) {
    if (jobActive() || !worker_->start(single)) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "错误代码 00166: 正在打印，请稍候再执行打印测试")));
        return false;
    }
    frame_.updateCommands();
    return true;
}

void PrintQueue::print() {
    if (!engine().bHardwareOK) return;
    if (model_.empty()) {
        addFile(app().hooks.selectedRipFile ? app().hooks.selectedRipFile() : QString());
        return;
    }
    startWorker(false);
}

void PrintQueue::printSelected(int row) {
    if (!engine().bHardwareOK || model_.empty() || row < 0 || row >= model_.size()) return;
    if (jobActive()) {
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "错误代码 00166: 正在打印，请稍候再执行打印测试")));
        return;
    }
    if (row != 0) model_.move(row, 0);
    view_->clearSelection();
    startWorker(true);
}

bool PrintQueue::loadLastJob() {
    CDrvPrint& d = engine();
    if (jobActive()) {
        // The engine's progress counters are the running job's: loading now would overwrite them.
        tell(queueText(QT_TRANSLATE_NOOP("Queue", "错误代码 00166: 正在打印，请稍候再执行打印测试")));
        return false;
    }
    JobList job;
    const int r = d.AUXLoadPrintingStatus(1, &job);
    if (r < 0) return false;
    // The pass text of the job's pass mode; the speed (not recorded) is the machine's.
    job.uiPass = modeOfRow(QString(), job.uiPass);
    job.csPassText = PassModes::textOf(job.uiPass).toStdString();
    if (job.csSpeedText.empty()) {
        job.uiSpeed = d.uiXSpeed;
        job.csSpeedText = std::to_string(d.uiXSpeed);
    }
    QueueRow row = rowOfJob(job);
    row[kColEstimate] = estimateText(estimateSeconds(d, row));
    // A stopped job is still at the top of the queue: the loaded one takes its place.
    if (!model_.empty() && model_.row(0)[kColPath] == row[kColPath])
        model_.replace(0, row);
    else
        model_.insert(0, row);
    view_->clearSelection();
    return true;
}

} // namespace orvix

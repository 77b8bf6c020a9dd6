#include "dialogs/ProgressWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace orvix {

QString progressTimeText(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    return QStringLiteral("0%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

ProgressWindow::ProgressWindow(const QString& text, unsigned total, Job job, QWidget* parent)
    : QDialog(parent), text_(text), total_(std::max(1u, total)), job_(std::move(job)) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowTitle(QStringLiteral("Rate of progress"));
    setModal(true);
    auto* col = new QVBoxLayout(this);
    label_ = new QLabel(QStringLiteral("%1\nPlease wait...").arg(text_), this);
    label_->setObjectName(QStringLiteral("progressText"));
    label_->setMinimumWidth(360);
    col->addWidget(label_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, int(std::min<unsigned>(total_, INT32_MAX)));
    bar_->setValue(0);
    bar_->setTextVisible(false);
    col->addWidget(bar_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancel_ = new QPushButton(QStringLiteral(" Cancel "), this);
    cancel_->setObjectName(QStringLiteral("progressCancel"));
    row->addWidget(cancel_);
    col->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        if (job_.cancel) job_.cancel();
        reject();
    });
    connect(&pollTimer_, &QTimer::timeout, this, &ProgressWindow::poll);
    connect(&secondTimer_, &QTimer::timeout, this, &ProgressWindow::tick);
}

QString ProgressWindow::statusLine(qint64 seconds) const {
    const int percent = int(std::min<quint64>(100, quint64(bar_->value()) * 100 / total_));
    return QStringLiteral("%1 [%2%]             Time: %3").arg(text_).arg(percent).arg(progressTimeText(seconds));
}

bool ProgressWindow::runJob() {
    clock_.start();
    pollTimer_.start(kPollMs);
    secondTimer_.start(1000);
    poll();
    if (result() != QDialog::Accepted && (!job_.running || job_.running())) exec();
    pollTimer_.stop();
    secondTimer_.stop();
    return !cancelled_;
}

void ProgressWindow::poll() {
    if (job_.progress) bar_->setValue(int(std::min<unsigned>(job_.progress(), unsigned(bar_->maximum()))));
    if (job_.running && !job_.running()) {
        pollTimer_.stop();
        if (isVisible()) accept();
        else setResult(QDialog::Accepted);
    }
}

void ProgressWindow::tick() { label_->setText(statusLine(clock_.elapsed() / 1000)); }

} // namespace orvix

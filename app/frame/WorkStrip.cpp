#include "frame/WorkStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "queue/MachineWork.h"

namespace orvix {

WorkStrip::WorkStrip(MachineWork& work, QWidget* parent) : QWidget(parent), work_(work) {
    setObjectName(QStringLiteral("workStrip"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("workText"));
    stop_ = new QPushButton(tr("停止"), this);
    stop_->setObjectName(QStringLiteral("workStop"));
    row->addWidget(text_);
    row->addWidget(stop_);
    connect(stop_, &QPushButton::clicked, this, [this] {
        work_.stop();
        stop_->setEnabled(false); // asked once; the strip goes when the work has ended
        refresh();
    });
    connect(&work_, &MachineWork::started, this, [this] {
        stop_->setEnabled(true);
        refresh();
        timer_.start();
    });
    connect(&work_, &MachineWork::finished, this, [this] {
        timer_.stop();
        refresh();
    });
    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this, &WorkStrip::refresh);
    refresh();
    if (work_.running()) timer_.start();
}

void WorkStrip::refresh() {
    if (!work_.running()) {
        setVisible(false);
        return;
    }
    const qint64 seconds = work_.elapsedMs() / 1000;
    QString t = tr("%1 %2 秒").arg(work_.title()).arg(seconds);
    if (work_.stopRequested()) t += tr("（正在停止）");
    text_->setText(t);
    setVisible(true);
}

} // namespace orvix

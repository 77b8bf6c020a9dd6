#include "dialogs/InspectionDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/DrvPrint.h"
#include "dialogs/SettingsPage.h"
#include "platform/Prompter.h"

namespace orvix {

CInspectionDlg::CInspectionDlg(CDrvPrint& d, QWidget* parent) : QDialog(parent), d_(d) {
    setObjectName(QStringLiteral("inspection"));
    setWindowTitle(tr("开机自检"));
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int t = 0; t < kInspectionTests; ++t) {
        const InspectionItem& item = inspectionItems()[t];
        tests_[t] = new QCheckBox(QString::fromLatin1(item.name), this);
        tests_[t]->setObjectName(controlName(item.checkId));
        tests_[t]->setChecked(true);
        grid->addWidget(tests_[t], t, 0);
    }
    // Spare boxes of the panel: shown, they select no test.
    for (int i = 0; i < 6; ++i) {
        spare_[i] = new QCheckBox(tr("备用 %1").arg(i + 1), this);
        spare_[i]->setObjectName(controlName(1204 + i));
        spare_[i]->setEnabled(false);
        grid->addWidget(spare_[i], i, 1);
    }
    top->addLayout(grid);
    status_ = new QLabel(QStringLiteral("Pls choose the items to Inspection"), this);
    status_->setObjectName(controlName(1211));
    status_->setMinimumWidth(460);
    top->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(tr("开始"), this);
    start_->setObjectName(controlName(1200));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("c1"));
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(ok_);
    top->addLayout(buttons);
    connect(start_, &QPushButton::clicked, this, &CInspectionDlg::start);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

CInspectionDlg::~CInspectionDlg() {
    // Never leave a worker calling the engine behind a closed dialog.
    if (worker_) {
        worker_->requestStop();
        worker_->wait();
    }
}

void CInspectionDlg::start() {
    if (worker_) return;
    std::array<bool, kInspectionTests> selected{};
    for (int t = 0; t < kInspectionTests; ++t) selected[t] = tests_[t]->isChecked() && tests_[t]->isEnabled();
    start_->setEnabled(false);
    worker_ = new InspectionWorker(d_, selected, this);
    connect(worker_, &InspectionWorker::status, status_, &QLabel::setText);
    connect(worker_, &InspectionWorker::status, this, &CInspectionDlg::status);
    connect(worker_, &InspectionWorker::tested, this, &CInspectionDlg::tested);
    connect(worker_, &InspectionWorker::tested, this, [this](int t, const QString& caption) {
        tests_[t]->setText(caption);
        tests_[t]->setEnabled(false);
    });
    connect(worker_, &QThread::finished, this, [this] {
        worker_->deleteLater();
        worker_ = nullptr;
        start_->setEnabled(true);
        for (QCheckBox* b : tests_) b->setEnabled(true);
        status_->setText(QStringLiteral("Inspection Finish."));
        emit inspectionDone();
    });
    worker_->start(QThread::HighestPriority);
}

void CInspectionDlg::done(int r) {
    if (worker_) {
        // A test moving the machine is not cut off: the series ends after it.
        worker_->requestStop();
        platform::messageBox(tr("自检正在进行，当前测试结束后才能关闭。").toStdString());
        return;
    }
    QDialog::done(r);
}

} // namespace orvix

#include "dialogs/JobPropertiesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "core/DrvPrint.h"

namespace orvix {

namespace {

// The channel names of the ink level lists, in channel order.
const char* const kChannelNames[kRowInkChannels] = {"K", "C", "M", "Y", "LC", "LM", "LK", "LY", "9", "10"};

} // namespace

JobPropertiesDialog::JobPropertiesDialog(const QueueRow& row, const PassModes& passModes, QWidget* parent)
    : QDialog(parent), row_(row) {
    setObjectName(QStringLiteral("jobPropertiesDialog"));
    setWindowTitle(tr("打印任务属性"));
    const JobList job = jobOfRow(row);
    auto* top = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    top->addLayout(form);

    auto* file = new QLabel(row[kColFile], this);
    file->setObjectName(QStringLiteral("file"));
    file->setToolTip(row[kColPath]);
    form->addRow(tr("文件名:"), file);
    form->addRow(tr("尺寸:"), new QLabel(row[kColSize], this));
    form->addRow(QStringLiteral("DPI:"), new QLabel(row[kColDpi], this));

    pass_ = new QComboBox(this);
    pass_->setObjectName(QStringLiteral("pass"));
    pass_->addItems(passModes.shown());
    const unsigned mode = modeOfRow(row[kColPass], job.uiPass);
    if (passModes.shownIndexOf(mode) < 0) pass_->addItem(PassModes::textOf(mode));
    pass_->setCurrentIndex(pass_->findText(PassModes::textOf(mode)));
    form->addRow(QStringLiteral("Pass:"), pass_);

    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("speed"));
    for (int i = 1; i <= 5; ++i) speed_->addItem(QString::number(i));
    speed_->setCurrentIndex(std::clamp(int(job.uiSpeed) - 1, 0, 4));
    form->addRow(tr("车速:"), speed_);

    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("copies"));
    copies_->setRange(1, 255);
    copies_->setValue(std::clamp(int(job.uiQty), 1, 255));
    form->addRow(tr("数量:"), copies_);

    margin_ = new QSpinBox(this);
    margin_->setObjectName(QStringLiteral("margin"));
    margin_->setRange(0, 65535);
    margin_->setSuffix(QStringLiteral(" mm"));
    margin_->setValue(std::clamp(int(int32_t(job.uiMarginMM)), 0, 65535));
    form->addRow(tr("白边:"), margin_);

    auto* inkBox = new QGroupBox(tr("墨量"), this);
    auto* inkGrid = new QGridLayout(inkBox);
    const int channels = std::clamp(int(job.uiColors), 0, kRowInkChannels);
    for (int c = 0; c < channels; ++c) {
        auto* list = new QComboBox(inkBox);
        list->setObjectName(QStringLiteral("ink%1").arg(c));
        // Mask 0..19 thin the channel's ink; 20 prints every dot.
        for (unsigned m = 0; m < kMaskCount; ++m) list->addItem(QString::number(m));
        list->addItem(tr("100%"));
        list->setCurrentIndex(int(std::min<uint32_t>(job.uiColorMask[c], kMaskCount)));
        inkGrid->addWidget(new QLabel(QString::fromLatin1(kChannelNames[c]), inkBox), c / 4 * 2, c % 4);
        inkGrid->addWidget(list, c / 4 * 2 + 1, c % 4);
        ink_.push_back(list);
    }
    top->addWidget(inkBox);
    inkBox->setVisible(channels > 0);

    auto* more = new QFormLayout;
    top->addLayout(more);
    startPass_ = new QSpinBox(this);
    startPass_->setObjectName(QStringLiteral("startPass"));
    startPass_->setRange(0, 1000000);
    startPass_->setValue(int(std::min<uint32_t>(job.uiResumePass, 1000000)));
    more->addRow(tr("从第几PASS开始打印:"), startPass_);
    mirror_ = new QCheckBox(this);
    mirror_->setObjectName(QStringLiteral("mirror"));
    mirror_->setChecked(job.bMirror != 0);
    more->addRow(tr("镜向打印:"), mirror_);
    fed_ = new QCheckBox(this);
    fed_->setObjectName(QStringLiteral("mediaFed"));
    fed_->setChecked(job.bMediaFed != 0);
    more->addRow(tr("是否已进料"), fed_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons_);
}

QueueRow JobPropertiesDialog::row() const {
    QueueRow r = row_;
    const unsigned mode = modeOfRow(pass_->currentText(), row_[kColPassIndex].toUInt());
    r[kColPass] = PassModes::textOf(mode);
    r[kColPassIndex] = QString::number(mode);
    r[kColSpeed] = speed_->currentText();
    r[kColSpeedIndex] = QString::number(speed_->currentIndex() + 1);
    r[kColCopies] = QString::number(copies_->value());
    r[kColMargin] = QString::number(margin_->value());
    unsigned levels[kRowInkChannels] = {};
    for (size_t c = 0; c < ink_.size(); ++c) levels[c] = unsigned(ink_[c]->currentIndex());
    r[kColInk] = inkText(levels, unsigned(ink_.size()));
    r[kColStartPass] = QString::number(startPass_->value());
    r[kColMirror] = mirror_->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO");
    r[kColMediaFed] = fed_->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return r;
}

} // namespace orvix

#include "dialogs/HeadParamsDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "core/DrvPrint.h"
#include "platform/Prompter.h"

namespace orvix {

HeadParamsDialog::HeadParamsDialog(CDrvPrint& d, unsigned boardType, QWidget* parent)
    : QDialog(parent), d_(d), type_(boardType) {
    setObjectName(QStringLiteral("headParamsDialog"));
    auto* top = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(this);
    if (type_ == 1) {
        setWindowTitle(tr("喷头参数调整"));
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("喷头:"), this));
        head_ = new QSpinBox(this);
        head_->setObjectName(QStringLiteral("head"));
        head_->setRange(0, 7); // the board's mailbox takes heads 0..7
        row->addWidget(head_);
        bytes_ = new QLineEdit(this);
        bytes_->setObjectName(QStringLiteral("bytes"));
        bytes_->setMinimumWidth(bytes_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 50);
        row->addWidget(bytes_, 1);
        top->addLayout(row);
        QPushButton* read = buttons->addButton(tr("读取"), QDialogButtonBox::ActionRole);
        QPushButton* write = buttons->addButton(tr("写入"), QDialogButtonBox::ActionRole);
        connect(read, &QPushButton::clicked, this, [this] { readHead(); });
        connect(write, &QPushButton::clicked, this, [this] { writeHead(); });
    } else {
        setWindowTitle(QStringLiteral("Heads Temperature/Voltage"));
        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel(tr("喷头"), this), 0, 0);
        grid->addWidget(new QLabel(tr("电压"), this), 0, 1);
        grid->addWidget(new QLabel(bHTVTemperatureModeText(), this), 0, 2);
        grid->addWidget(new QLabel(tr("温度"), this), 0, 3);
        const int heads = int(std::min(d_.uiHTVHeads, kMaxHeads));
        for (int h = 0; h < heads; ++h) {
            grid->addWidget(new QLabel(QString::number(h + 1), this), h + 1, 0);
            auto* v = new QDoubleSpinBox(this);
            v->setObjectName(QStringLiteral("voltage%1").arg(h));
            v->setRange(0, 40);
            v->setDecimals(2);
            v->setValue(double(d_.HTVVoltageDefine[h]));
            auto* o = new QDoubleSpinBox(this);
            o->setObjectName(QStringLiteral("offset%1").arg(h));
            o->setRange(-60, 60);
            o->setDecimals(2);
            o->setValue(double(d_.HTVVoltageOffset[h]));
            auto* t = new QLabel(QStringLiteral("-"), this);
            t->setObjectName(QStringLiteral("temperature%1").arg(h));
            grid->addWidget(v, h + 1, 1);
            grid->addWidget(o, h + 1, 2);
            grid->addWidget(t, h + 1, 3);
            voltage_.push_back(v);
            offset_.push_back(o);
            temperature_.push_back(t);
        }
        top->addLayout(grid);
        QPushButton* write = buttons->addButton(tr("写入"), QDialogButtonBox::ActionRole);
        connect(write, &QPushButton::clicked, this, [this] { writeVoltages(); });
        connect(&timer_, &QTimer::timeout, this, &HeadParamsDialog::readTemperatures);
        timer_.start(type_ == 3 ? 1000 : 2000);
    }
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(tr("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
}

QString HeadParamsDialog::bHTVTemperatureModeText() const { return d_.bHTVTemperatureMode ? tr("加热温度") : tr("电压偏移"); }

namespace {

QString hexBytes(const uint8_t* b, size_t n) {
    QStringList hex;
    for (size_t i = 0; i < n; ++i) hex << QStringLiteral("%1").arg(b[i], 2, 16, QLatin1Char('0')).toUpper();
    return hex.join(QLatin1Char(' '));
}

void tell(const QString& text) { platform::messageBox(text.toStdString()); }

} // namespace

QString HeadParamsDialog::boardAnswerText() const {
    const CDrvPrint::HeadBoardAnswer& a = d_.headBoardAnswer;
    return tr("喷头板没有应答（命令寄存器 0x%1，数据 %2）")
        .arg(a.command, 8, 16, QLatin1Char('0'))
        .arg(hexBytes(a.block, sizeof a.block));
}

bool HeadParamsDialog::readHead() {
    HeadsParams p;
    const int head = head_->value();
    d_.AUXReadHeadsParams(unsigned(head), &p);
    if (!d_.headBoardAnswer.answered) {
        // What the field shows stays: the board's silence is no parameter block.
        tell(tr("读取喷头 %1 的参数失败：%2").arg(head).arg(boardAnswerText()));
        return false;
    }
    bytes_->setText(hexBytes(p.byData, sizeof p.byData));
    return true;
}

bool HeadParamsDialog::writeHead() {
    const int head = head_->value();
    const QStringList hex = bytes_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    HeadsParams p;
    bool valid = hex.size() == 16;
    for (int i = 0; valid && i < 16; ++i) {
        const uint v = hex[i].toUInt(&valid, 16);
        valid = valid && v <= 0xFF;
        p.byData[i] = uint8_t(v);
    }
    if (!valid) {
        tell(tr("喷头 %1 的参数未写入：需要 16 个以空格分开的十六进制字节（00 到 FF）").arg(head));
        return false;
    }
    d_.AUXWriteHeadsParams(unsigned(head), p);
    if (!d_.headBoardAnswer.answered) {
        tell(tr("写入喷头 %1 的参数失败：%2").arg(head).arg(boardAnswerText()));
        return false;
    }
    return true;
}

bool HeadParamsDialog::writeVoltages() {
    for (size_t h = 0; h < voltage_.size(); ++h) {
        d_.HTVVoltageDefine[h] = float(voltage_[h]->value());
        d_.HTVVoltageOffset[h] = float(offset_[h]->value());
    }
    QStringList failed;
    // The boards take the block only when the setup sends it; the second board exists only with
    // the card's two-board memory modes.
    const bool sent = d_.uiHeadsParamsMode == 1;
    for (unsigned board = 0; board < 2; ++board) {
        d_.AUXHTVSetParams(board);
        if (!sent || (board == 1 && d_.AUXHTVCheckHCB() != 1)) continue;
        if (!d_.AUXHTVCheckAnswer()) failed << tr("喷头板 %1: %2").arg(board + 1).arg(boardAnswerText());
    }
    if (d_.PRMSaveHTVParams() == 0)
        failed << tr("电压文件未能保存: %1").arg(QString::fromStdString(d_.PRMHTVFilePath()));
    if (failed.isEmpty()) return true;
    tell(tr("喷头电压写入失败：\n%1").arg(failed.join(QLatin1Char('\n'))));
    return false;
}

void HeadParamsDialog::readTemperatures() {
    uint8_t t[16] = {};
    d_.AUXHTVReadParamsTemp(t);
    for (size_t h = 0; h < temperature_.size() && h < 16; ++h) temperature_[h]->setText(QString::number(t[h]));
}

} // namespace orvix

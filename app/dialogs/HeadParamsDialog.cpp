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

bool HeadParamsDialog::readHead() {
    HeadsParams p;
    d_.AUXReadHeadsParams(unsigned(head_->value()), &p);
    QStringList hex;
    for (uint8_t b : p.byData) hex << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    bytes_->setText(hex.join(QLatin1Char(' ')));
    return true;
}

bool HeadParamsDialog::writeHead() {
    const QStringList hex = bytes_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (hex.size() != 16) return false;
    HeadsParams p;
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        const uint v = hex[i].toUInt(&ok, 16);
        if (!ok || v > 0xFF) return false;
        p.byData[i] = uint8_t(v);
    }
    return d_.AUXWriteHeadsParams(unsigned(head_->value()), p) != 0;
}

bool HeadParamsDialog::writeVoltages() {
    for (size_t h = 0; h < voltage_.size(); ++h) {
        d_.HTVVoltageDefine[h] = float(voltage_[h]->value());
        d_.HTVVoltageOffset[h] = float(offset_[h]->value());
    }
    const bool a = d_.AUXHTVSetParams(0) != 0;
    const bool b = d_.AUXHTVSetParams(1) != 0;
    const bool saved = d_.PRMSaveHTVParams() != 0;
    return a && b && saved;
}

void HeadParamsDialog::readTemperatures() {
    uint8_t t[16] = {};
    d_.AUXHTVReadParamsTemp(t);
    for (size_t h = 0; h < temperature_.size() && h < 16; ++h) temperature_[h]->setText(QString::number(t[h]));
}

} // namespace orvix

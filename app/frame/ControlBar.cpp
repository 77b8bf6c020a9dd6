#include "frame/ControlBar.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>

#include "core/DrvPrint.h"
#include "queue/PassModes.h"

namespace orvix {

ControlBar::ControlBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("controlBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    auto label = [this, row](const QString& text) {
        auto* l = new QLabel(text, this);
        row->addWidget(l);
        return l;
    };
    auto combo = [this, row](const char* name, int width) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setMinimumWidth(width);
        row->addWidget(c);
        return c;
    };
    auto edit = [this, row](const char* name, int chars) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 14);
        row->addWidget(e);
        return e;
    };
    auto button = [this, row](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(text) + 16);
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(text) + 28);
        row->addWidget(b);
        return b;
    };

    pass_ = combo("c1017", 90);
    pass_->addItems(PassModes::all());
    label(tr("车速:"));
    speed_ = combo("c1020", 50);
    for (int i = 1; i <= 5; ++i) speed_->addItem(QString::number(i));
    label(tr("白边:"));
    margin_ = edit("c1108", 5);
    margin_->setValidator(new QIntValidator(0, 65535, margin_));
    label(tr("数量:"));
    copies_ = edit("c1109", 4);
    copies_->setValidator(new QIntValidator(1, 255, copies_));
    copies_->setText(QStringLiteral("1"));
    unused178_ = edit("c178", 3);
    unused178_->setReadOnly(true);
    unused178_->setText(QStringLiteral("mm"));
    label(tr("喷位:"));
    fire_ = edit("c1110", 5);
    fire_->setValidator(new QIntValidator(0, 65535, fire_));
    test_ = combo("c1019", 110);
    test_->addItems({tr("测试图案1"), tr("测试图案2"), tr("测试图案3"), tr("测试图案4"), tr("速度测试")});
    testButton_ = button("c179", tr("测试"));
    label(tr("路径:"));
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("c1003"));
    path_->setMinimumWidth(160);
    row->addWidget(path_, 1);
    browse_ = button("c1023", QStringLiteral("..."));
    label(tr("移动值:"));
    move_ = edit("c1111", 5);
    move_->setValidator(new QIntValidator(0, 100000, move_));
    back_ = button("c1025", QStringLiteral("<"));
    forward_ = button("c1026", QStringLiteral(">"));
    label(tr("缩放:"));
    zoom_ = combo("c1018", 60);
    zoom_->addItems({QStringLiteral("Fit"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                     QStringLiteral("4")});
}

QStringList ControlBar::texts() const {
    QStringList out;
    for (auto* l : findChildren<QLabel*>()) out << l->text();
    for (auto* b : findChildren<QPushButton*>()) out << b->text();
    for (auto* c : findChildren<QComboBox*>())
        for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    for (auto* e : findChildren<QLineEdit*>()) out << e->text();
    return out;
}

unsigned chosenPassMode(const ControlBar& bar, const CDrvPrint& d) {
    const int mode = PassModes::modeOf(bar.passList()->currentText());
    return mode >= 0 ? unsigned(mode) : d.uiPass;
}

void fillControlBar(ControlBar& bar, CDrvPrint& d, int zoom) {
    QComboBox* pass = bar.passList();
    pass->clear();
    const PassModes modes(d.csPassMode);
    pass->addItems(modes.shown());
    pass->setCurrentIndex(modes.shownIndexOf(d.uiPass));
    bar.speedList()->setCurrentIndex(d.uiXSpeed >= 1 && int(d.uiXSpeed) <= bar.speedList()->count() ? int(d.uiXSpeed) - 1
                                                                                                  : -1);
    bar.testList()->setCurrentIndex(0);
    QComboBox* z = bar.zoomList();
    int found = z->count() - 1;
    for (int i = 0; i < z->count(); ++i) {
        const QString t = z->itemText(i);
        const int n = t.compare(QLatin1String("Fit"), Qt::CaseInsensitive) == 0 ? -1 : t.toInt();
        if (n == zoom) {
            found = i;
            break;
        }
    }
    z->setCurrentIndex(found);
    bar.margin()->setText(QString::number(d.XPulseToMM(int32_t(d.uiMargin1))));
    bar.copies()->setText(QString::number(d.uiPrintQty));
    bar.firePosition()->setText(QString::number(d.XPulseToMM(int32_t(d.uiStartPos1 + d.uiMargin1))));
    bar.moveDistance()->setText(QStringLiteral("100"));
}

} // namespace orvix

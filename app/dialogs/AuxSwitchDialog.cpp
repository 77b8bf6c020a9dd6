#include "dialogs/AuxSwitchDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/DrvPrint.h"

namespace orvix {

namespace {

// The colour check boxes of the ink suction, in the order of the station's valves 3..10.
constexpr int kColourIds[8] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257};
constexpr const char* kColourNames[8] = {"K", "C", "M", "Y", "LC", "LM", "LK", "LY"};

} // namespace

AuxSwitchDialog::AuxSwitchDialog(CDrvPrint& d, std::function<bool()> emergency, QWidget* parent)
    : QDialog(parent), d_(d), emergency_(std::move(emergency)) {
    setObjectName(QStringLiteral("auxSwitchDialog"));
    setWindowTitle(tr("辅助功能开关"));
    auto* top = new QVBoxLayout(this);

    auto* inputs = new QGroupBox(tr("输入"), this);
    auto* in = new QGridLayout(inputs);
    auto* outputs = new QGroupBox(tr("输出"), this);
    auto* out = new QGridLayout(outputs);
    struct Entry {
        int id;
        const char* text;
        bool output;
    };
    const Entry entries[] = {
        {1309, QT_TR_NOOP("急停"), false},        {1310, QT_TR_NOOP("左行程"), false},
        {1311, QT_TR_NOOP("右行程"), false},      {1312, QT_TR_NOOP("清洗器"), false},
        {1313, QT_TR_NOOP("寻料器"), false},      {1320, QT_TR_NOOP("UV左灯准备"), false},
        {1321, QT_TR_NOOP("UV右灯准备"), false},  {1314, QT_TR_NOOP("清洗器"), true},
        {1315, QT_TR_NOOP("压墨器"), true},       {1318, QT_TR_NOOP("UV左开关"), true},
        {1319, QT_TR_NOOP("UV右开关"), true},     {1316, QT_TR_NOOP("快门左开关"), true},
        {1317, QT_TR_NOOP("快门右开关"), true},   {1326, QT_TR_NOOP("保护盖上升"), true},
        {1325, QT_TR_NOOP("保护盖下降"), true},
    };
    int ni = 0, no = 0;
    for (const Entry& e : entries) {
        QCheckBox* b = add(e.id, tr(e.text), e.output);
        if (e.output) out->addWidget(b, no / 2, no % 2), ++no;
        else in->addWidget(b, ni / 2, ni % 2), ++ni;
    }
    top->addWidget(inputs);
    top->addWidget(outputs);

    auto* suction = new QGroupBox(tr("吸墨"), this);
    auto* su = new QGridLayout(suction);
    for (int i = 0; i < 8; ++i) su->addWidget(add(kColourIds[i], QString::fromLatin1(kColourNames[i]), false), 0, i);
    QCheckBox* all = add(1258, QStringLiteral("ALL"), false);
    su->addWidget(all, 1, 0);
    QCheckBox* suck = add(1324, tr("吸墨开关"), false);
    su->addWidget(suck, 1, 1, 1, 3);
    for (int id : kColourIds) box(id)->setEnabled(true);
    all->setEnabled(true);
    suck->setEnabled(true);
    connect(all, &QCheckBox::clicked, this, [this](bool on) {
        for (int id : kColourIds) box(id)->setChecked(on);
    });
    connect(suck, &QCheckBox::clicked, this, [this](bool on) {
        for (int i = 0; i < 8; ++i) d_.AUXCLNSet(3 + i, on && box(kColourIds[i])->isChecked() ? 1 : 0);
        d_.AUXCLNSet(11, on ? 1 : 0);
    });
    top->addWidget(suction);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);

    connect(&timer_, &QTimer::timeout, this, &AuxSwitchDialog::refresh);
    timer_.start(kPeriodMs);
    refresh();
}

QCheckBox* AuxSwitchDialog::add(int id, const QString& text, bool output) {
    auto* b = new QCheckBox(text, this);
    b->setObjectName(QStringLiteral("c%1").arg(id));
    // Inputs only show the machine; outputs switch it when clicked.
    b->setEnabled(output);
    if (output) connect(b, &QCheckBox::clicked, this, [this, id](bool on) { clicked(id, on); });
    boxes_[id] = b;
    return b;
}

QCheckBox* AuxSwitchDialog::box(int id) const {
    auto it = boxes_.find(id);
    return it == boxes_.end() ? nullptr : it->second;
}

void AuxSwitchDialog::clicked(int id, bool on) {
    switch (id) {
    case 1315: d_.AUXSetPurge(d_.AUXCheckPurge() ? 0 : 1); break;
    case 1314: d_.AUXSetCleaner(d_.AUXCheckCleaner() ? 0 : 1); break;
    case 1318: d_.AUXUVSet(1, d_.AUXUVGet(1) ? 0 : 1); break;
    case 1319: d_.AUXUVSet(2, d_.AUXUVGet(2) ? 0 : 1); break;
    case 1316: d_.AUXUVSet(3, d_.AUXUVGet(3) ? 0 : 1); break;
    case 1317: d_.AUXUVSet(4, d_.AUXUVGet(4) ? 0 : 1); break;
    case 1326:
        if (on && d_.AUXCLNSet(12, 1)) box(id)->setChecked(false);
        break;
    case 1325:
        if (on && d_.AUXCLNSet(12, 0)) box(id)->setChecked(false);
        break;
    default: break;
    }
    refresh();
}

void AuxSwitchDialog::refresh() {
    auto set = [this](int id, int v) {
        if (QCheckBox* b = box(id)) b->setChecked(v == 1);
    };
    set(1309, emergency_ && emergency_() ? 1 : 0);
    set(1310, d_.MOVCheckLeftLSW(0));
    set(1311, d_.MOVCheckRightLSW(0));
    const int cleaner = d_.AUXCheckCleaner();
    set(1312, cleaner);
    set(1314, cleaner);
    set(1313, d_.AUXCheckMediaSensor());
    set(1315, d_.AUXCheckPurge());
    set(1318, d_.AUXUVGet(1));
    set(1319, d_.AUXUVGet(2));
    set(1316, d_.AUXUVGet(3));
    set(1317, d_.AUXUVGet(4));
    set(1320, d_.AUXUVGet(5));
    set(1321, d_.AUXUVGet(6));
    set(1325, d_.AUXCLNGet(13));
    set(1326, d_.AUXCLNGet(12));
}

} // namespace orvix

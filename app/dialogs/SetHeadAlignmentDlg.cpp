#include "dialogs/SetHeadAlignmentDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "core/DrvPrint.h"
#include "dialogs/NumEdit.h"
#include "dialogs/NumSpinCtrl.h"
#include "frame/Commands.h"
#include "platform/Prompter.h"

namespace orvix {

namespace {

constexpr float kOffsetLimit = 1000000.0f;
const char* const kColourNames[] = {"K", "C", "M", "Y", "Lc", "Lm", "W", "V"};

int valueOf(const CNumEdit* e) { return static_cast<int>(std::lround(e->GetValue())); }

} // namespace

CSetHeadAlignmentDlg::CSetHeadAlignmentDlg(CDrvPrint& d, bool basicMode, QWidget* parent)
    : SettingsPage(d, parent), basic_(basicMode) {
    setObjectName(QStringLiteral("headAlignmentPage"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left);

    // ---- Material, step offsets, speed classes
    auto* mg = new QGroupBox(tr("介质"), this);
    auto* g = new QGridLayout(mg);
    g->addWidget(new QLabel(tr("介质:"), mg), 0, 0);
    material_ = new QComboBox(mg);
    material_->setObjectName(controlName(1187));
    g->addWidget(material_, 0, 1, 1, 3);
    const char* passNames[8] = {"1Pass:", "2Pass:", "3Pass:", "4Pass:", "6Pass:", "8Pass:", "12Pass:", "16Pass:"};
    for (int i = 0; i < 8; ++i) {
        g->addWidget(new QLabel(QString::fromLatin1(passNames[i]), mg), 1 + i / 2, (i % 2) * 2);
        NumField f = makeNumField(mg, controlName(kStepOffsetIds[i]), -kOffsetLimit, kOffsetLimit);
        step_[i] = f.edit;
        g->addWidget(f.box, 1 + i / 2, (i % 2) * 2 + 1);
    }
    auto* gap = new QPushButton(tr("间隙:  -"), mg);
    gap->setObjectName(controlName(1272));
    auto* overlap = new QPushButton(tr("重叠:  +"), mg);
    overlap->setObjectName(controlName(1273));
    g->addWidget(gap, 5, 0, 1, 2);
    g->addWidget(overlap, 5, 2, 1, 2);
    connect(gap, &QPushButton::clicked, this, [this] { stepOffsetBy(-1); });
    connect(overlap, &QPushButton::clicked, this, [this] { stepOffsetBy(1); });

    g->addWidget(new QLabel(tr("双向精度:"), mg), 6, 0);
    class_ = new QComboBox(mg);
    class_->setObjectName(controlName(1188));
    class_->addItems({QStringLiteral("180 DPI"), QStringLiteral("240 DPI"), QStringLiteral("360 DPI"),
                      QStringLiteral("720 DPI")});
    g->addWidget(class_, 6, 1, 1, 3);
    for (int k = 0; k < 3; ++k) {
        g->addWidget(new QLabel(tr("速度 %1:").arg(k + 1), mg), 7 + k, 0);
        NumField f = makeNumField(mg, controlName(kBiDifferenceIds[k]), -kOffsetLimit, kOffsetLimit);
        bi_[k] = f.edit;
        g->addWidget(f.box, 7 + k, 1);
    }
    auto* plus = new QPushButton(QStringLiteral(">>|  +  |<<"), mg);
    plus->setObjectName(controlName(1261));
    auto* minus = new QPushButton(QStringLiteral("<<|  -  |>>"), mg);
    minus->setObjectName(controlName(1271));
    g->addWidget(plus, 7, 2, 1, 2);
    g->addWidget(minus, 8, 2, 1, 2);
    connect(plus, &QPushButton::clicked, this, [this] { speedValueBy(1); });
    connect(minus, &QPushButton::clicked, this, [this] { speedValueBy(-1); });
    left->addWidget(mg);

    // ---- Head moving
    auto* hg = new QGroupBox(basic_ ? tr("喷头移动 (基本)") : tr("喷头移动 (介质)"), this);
    auto* h = new QGridLayout(hg);
    h->addWidget(new QLabel(tr("喷头数:"), hg), 0, 0);
    headCount_ = new QComboBox(hg);
    headCount_->setObjectName(controlName(1035));
    for (unsigned n = 1; n <= kMaxHeads; ++n) headCount_->addItem(QString::number(n));
    h->addWidget(headCount_, 0, 1);
    h->addWidget(new QLabel(tr("喷头:"), hg), 1, 0);
    head_ = new QComboBox(hg);
    head_->setObjectName(QStringLiteral("selectedHead"));
    h->addWidget(head_, 1, 1);
    struct Move {
        const char* text;
        const char* name;
        int dx, dy;
        bool group;
    };
    const Move moves[] = {
        {QT_TR_NOOP("<< 向左移"), "moveLeft", -1, 0, false},      {QT_TR_NOOP("向右移 >>"), "moveRight", 1, 0, false},
        {QT_TR_NOOP("纵向YOS+"), "moveYPlus", 0, 1, false},        {QT_TR_NOOP("纵向YOS-"), "moveYMinus", 0, -1, false},
        {QT_TR_NOOP("<< 整组左移"), "groupLeft", -1, 0, true},    {QT_TR_NOOP("整组右移 >>"), "groupRight", 1, 0, true},
        {QT_TR_NOOP("整组 YOS+"), "groupYPlus", 0, 1, true},       {QT_TR_NOOP("整组 YOS-"), "groupYMinus", 0, -1, true},
    };
    int i = 0;
    for (const Move& m : moves) {
        auto* b = new QPushButton(tr(m.text), hg);
        b->setObjectName(QString::fromLatin1(m.name));
        h->addWidget(b, 2 + i / 2, i % 2);
        const int dx = m.dx, dy = m.dy;
        if (m.group)
            connect(b, &QPushButton::clicked, this, [this, dx, dy] { moveChecked(dx, dy); });
        else
            connect(b, &QPushButton::clicked, this, [this, dx, dy] { moveSelected(dx, dy); });
        ++i;
    }
    auto* all = new QPushButton(QStringLiteral("ALL"), hg);
    all->setObjectName(controlName(1258));
    h->addWidget(all, 6, 0, 1, 2);
    connect(all, &QPushButton::clicked, this, &CSetHeadAlignmentDlg::toggleAll);
    left->addWidget(hg);
    left->addStretch();

    // ---- Head rows
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* table = new QWidget(scroll);
    auto* t = new QGridLayout(table);
    t->setVerticalSpacing(1);
    const QString heads[7] = {tr("喷头"), tr("介质 XL"), tr("介质 XR"), tr("介质 Y"), tr("基本 XL"), tr("基本 XR"), tr("基本 Y")};
    for (int c = 0; c < 7; ++c) t->addWidget(new QLabel(heads[c], table), 0, c);
    for (unsigned r = 0; r < kMaxHeads; ++r) {
        Row& row = rows_[r];
        row.check = new QCheckBox(table);
        row.check->setObjectName(QStringLiteral("head%1").arg(r + 1));
        t->addWidget(row.check, r + 1, 0);
        for (int c = 0; c < 6; ++c) {
            auto* e = new CNumEdit(table);
            e->setObjectName(QStringLiteral("head%1col%2").arg(r + 1).arg(c));
            e->SetRange(-kOffsetLimit, kOffsetLimit);
            e->SetShowMessages(1);
            e->setMaximumWidth(70);
            row.field[c] = e;
            t->addWidget(e, r + 1, c + 1);
        }
        bind(row.field[3], "BASEHEADALIGNMENT", ("HeadOffsetXL" + std::to_string(r + 1)).c_str(), Shown::Number);
        bind(row.field[4], "BASEHEADALIGNMENT", ("HeadOffsetXR" + std::to_string(r + 1)).c_str(), Shown::Number);
        bind(row.field[5], "BASEHEADALIGNMENT", ("HeadOffsetY" + std::to_string(r + 1)).c_str(), Shown::Number);
    }
    scroll->setWidget(table);
    top->addWidget(scroll, 1);

    connect(material_, &QComboBox::textActivated, this, &CSetHeadAlignmentDlg::chooseMaterial);
    connect(class_, &QComboBox::activated, this, [this](int c) {
        takeClass();
        d_.uiDPIClass = static_cast<unsigned>(c);
        shownClass_ = c;
        showClass();
    });
    connect(headCount_, &QComboBox::activated, this, [this](int index) { enableHeads(index + 1); });
}

QStringList CSetHeadAlignmentDlg::materials() const {
    QStringList names;
    for (const std::string& n : d_.PRMListMedia()) names << QString::fromStdString(n);
    return names;
}

int CSetHeadAlignmentDlg::passMode() const {
    // The pass mode of the job: the setting while the machine is idle; the running job's otherwise.
    unsigned p = d_.uiPass;
    if (!engineReady(d_)) {
        static const unsigned counts[8] = {1, 2, 3, 4, 6, 8, 12, 16};
        for (unsigned i = 0; i < 8; ++i)
            if (counts[i] == d_.uiPassCount) p = i;
    }
    return static_cast<int>(std::min(p, 7u));
}

void CSetHeadAlignmentDlg::load() {
    SettingsPage::load();
    material_->clear();
    material_->addItems(materials());
    // The current material comes up chosen when it has a file.
    const QString current = QString::fromStdString(d_.MediaName);
    const int at = material_->findText(current);
    media_ = d_.mediaOffset;
    chosen_.clear();
    if (at >= 0 && !d_.mediaOffset.csMediaFile.empty()) {
        material_->setCurrentIndex(at);
        chosen_ = current;
    } else {
        material_->setCurrentIndex(-1);
    }
    shownClass_ = static_cast<int>(std::min(d_.uiDPIClass, kMediaDPIClasses - 1));
    class_->setCurrentIndex(shownClass_);
    showMaterial();
    const unsigned heads = std::clamp(d_.HEADS, 1u, kMaxHeads);
    headCount_->setCurrentIndex(static_cast<int>(heads) - 1);
    enableHeads(static_cast<int>(heads));
}

void CSetHeadAlignmentDlg::showMaterial() {
    for (int i = 0; i < 8; ++i) step_[i]->SetValue(float(media_.StepOffset[i]));
    showClass();
    for (unsigned r = 0; r < kMaxHeads; ++r) {
        rows_[r].field[0]->SetValue(float(media_.HeadOffsetXL[r]));
        rows_[r].field[1]->SetValue(float(media_.HeadOffsetXR[r]));
        rows_[r].field[2]->SetValue(float(media_.HeadOffsetY[r]));
    }
    // Material values are edited and saved only for a chosen material, outside basic mode.
    const bool editable = !basic_ && !chosen_.isEmpty();
    for (CNumEdit* e : step_) e->setEnabled(editable);
    for (CNumEdit* e : bi_) e->setEnabled(editable);
    for (const char* n : {"c1272", "c1273", "c1261", "c1271"})
        if (auto* b = findChild<QPushButton*>(QString::fromLatin1(n))) b->setEnabled(editable);
    enableHeads(headCount_->currentIndex() + 1);
}

void CSetHeadAlignmentDlg::showClass() {
    for (int k = 0; k < 3; ++k) bi_[k]->SetValue(float(media_.BiDifference[shownClass_][k]));
}

void CSetHeadAlignmentDlg::takeClass() {
    for (int k = 0; k < 3; ++k) media_.BiDifference[shownClass_][k] = valueOf(bi_[k]);
}

void CSetHeadAlignmentDlg::takeMaterial() {
    for (int i = 0; i < 8; ++i) media_.StepOffset[i] = valueOf(step_[i]);
    takeClass();
    const unsigned heads = std::min(d_.HEADS, kMaxHeads);
    for (unsigned r = 0; r < heads; ++r) {
        media_.HeadOffsetXL[r] = valueOf(rows_[r].field[0]);
        media_.HeadOffsetXR[r] = valueOf(rows_[r].field[1]);
        media_.HeadOffsetY[r] = valueOf(rows_[r].field[2]);
    }
}

void CSetHeadAlignmentDlg::chooseMaterial(const QString& name) {
    const std::string path = d_.PRMMediaFilePath(name.toStdString());
    if (path.empty()) return;
    chosen_ = name;
    d_.mediaOffset.csMediaFile = path;
    d_.PRMLoadMediaParams(&d_.mediaOffset);
    media_ = d_.mediaOffset;
    material_->setCurrentIndex(material_->findText(name));
    showMaterial();
}

void CSetHeadAlignmentDlg::enableHeads(int n) {
    const bool material = !basic_ && !chosen_.isEmpty();
    head_->clear();
    for (int r = 0; r < int(kMaxHeads); ++r) {
        const bool on = r < n;
        const unsigned colour = static_cast<unsigned>(d_.ColorChannel[r]);
        const QString name = QStringLiteral("%1 %2").arg(r + 1).arg(
            colour < std::size(kColourNames) ? QString::fromLatin1(kColourNames[colour]) : QString::number(colour));
        rows_[r].check->setText(name);
        rows_[r].check->setEnabled(on);
        for (int c = 0; c < 3; ++c) rows_[r].field[c]->setEnabled(on && material);
        for (int c = 3; c < 6; ++c) rows_[r].field[c]->setEnabled(on && basic_);
        if (on) head_->addItem(name);
    }
}

void CSetHeadAlignmentDlg::stepOffsetBy(int delta) {
    CNumEdit* e = step_[passMode()];
    e->SetValue(float(valueOf(e) + delta));
}

void CSetHeadAlignmentDlg::speedValueBy(int delta) {
    if (d_.uiXSpeed < 1 || d_.uiXSpeed > 3) return;
    CNumEdit* e = bi_[d_.uiXSpeed - 1];
    e->SetValue(float(valueOf(e) + delta));
}

void CSetHeadAlignmentDlg::toggleAll() {
    // Every enabled colour on; when all of them are on already, all off.
    bool allOn = true;
    for (const Row& r : rows_)
        if (r.check->isEnabled() && !r.check->isChecked()) allOn = false;
    for (Row& r : rows_)
        if (r.check->isEnabled()) r.check->setChecked(!allOn);
}

void CSetHeadAlignmentDlg::moveHead(int head, int dx, int dy) {
    if (head < 0 || head >= int(kMaxHeads)) return;
    const int base = basic_ ? 3 : 0;
    if (!basic_ && chosen_.isEmpty()) return; // no material to correct
    Row& r = rows_[head];
    auto add = [](CNumEdit* e, int v) {
        if (v) e->SetValue(float(valueOf(e) + v));
    };
    add(r.field[base + 0], -dx); // right-to-left passes: a later start is further left
    add(r.field[base + 1], dx);
    add(r.field[base + 2], dy);
}

void CSetHeadAlignmentDlg::moveSelected(int dx, int dy) { moveHead(head_->currentIndex(), dx, dy); }

void CSetHeadAlignmentDlg::moveChecked(int dx, int dy) {
    for (int r = 0; r < int(kMaxHeads); ++r)
        if (rows_[r].check->isEnabled() && rows_[r].check->isChecked()) moveHead(r, dx, dy);
}

bool CSetHeadAlignmentDlg::apply() {
    if (basic_) return SettingsPage::apply(); // the base offsets; materials are not saved here
    if (chosen_.isEmpty()) return true;
    for (CNumEdit* e : step_)
        if (e->Verify() != CNumEdit::kValid) return false;
    for (CNumEdit* e : bi_)
        if (e->Verify() != CNumEdit::kValid) return false;
    takeMaterial();
    media_.csMediaFile = d_.PRMMediaFilePath(chosen_.toStdString());
    d_.mediaOffset = media_;
    if (!d_.PRMSaveMediaParams(&d_.mediaOffset)) {
        platform::messageBox(tr("介质文件无法写入：%1").arg(QString::fromStdString(media_.csMediaFile)).toStdString() +
                             "\n" + d_.csSaveError);
        return false;
    }
    // The saved material is the one in force from now on.
    d_.MediaName = chosen_.toStdString();
    d_.csMediaFile = d_.mediaOffset.csMediaFile;
    d_.PRMGetCurrentMediaParams();
    return true;
}

} // namespace orvix

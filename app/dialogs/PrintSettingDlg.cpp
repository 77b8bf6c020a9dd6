#include "dialogs/PrintSettingDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "core/DrvPrint.h"
#include "dialogs/NumEdit.h"
#include "queue/PassModes.h"

namespace orvix {

namespace {

constexpr float kMaxMM = 10000.0f;
constexpr float kMaxCount = 100000.0f;
constexpr float kMaxCopies = 255.0f; // what a job's copy counter takes

QStringList numbers(int from, int to) {
    QStringList l;
    for (int i = from; i <= to; ++i) l << QString::number(i);
    return l;
}

QGroupBox* group(const QString& title, QWidget* parent, QGridLayout*& grid) {
    auto* g = new QGroupBox(title, parent);
    grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    return g;
}

} // namespace

int32_t& CPrintSettingDlg::splitValue(CDrvPrint& d, int i) {
    ImageSplitSettings& s = d.imageSplit;
    int* values[4] = {&s.iValue1, &s.iValue2, &s.iValue3, &s.iValue4};
    return *values[std::clamp(i, 0, 3)];
}

CPrintSettingDlg::CPrintSettingDlg(CDrvPrint& d, QWidget* parent) : SettingsPage(d, parent) {
    setObjectName(QStringLiteral("printSettingPage"));
    auto* columns = new QHBoxLayout(this);
    auto* c1 = new QVBoxLayout, *c2 = new QVBoxLayout, *c3 = new QVBoxLayout;
    columns->addLayout(c1);
    columns->addLayout(c2);
    columns->addLayout(c3);
    QGridLayout* g = nullptr;

    // ---- Print mode
    c1->addWidget(group(tr("打印方式"), this, g));
    // The pass list offers what the control bar offers; its entries map to uiPass by their text.
    pass_ = list(g, 0, 0, tr("Pass 数:"), 1066, PassModes(d.csPassMode).shown());
    bind(list(g, 1, 0, tr("X 速度:"), 1067, numbers(1, 5)), "PRINTMODE", "uiXSpeed", Shown::ListPlus1);
    bind(list(g, 2, 0, tr("Y 速度:"), 1078, numbers(1, 5)), "PRINTMODE", "uiYSpeed", Shown::ListPlus1);
    bind(number(g, 3, 0, tr("打印份数:"), 1068, 1, kMaxCopies), "PRINTMODE", "uiPrintQty", Shown::Number);
    bind(check(g, 4, 0, tr("横向镜向:"), 1069), "PRINTMODE", "bHorizontalMirror", Shown::Check);
    bind(check(g, 5, 0, tr("纵向镜向:"), 1070), "PRINTMODE", "bVerticalMirror", Shown::Check);
    bind(check(g, 6, 0, tr("自动跳白:"), 1071), "PRINTMODE", "bSmartPrint", Shown::Check);
    bind(check(g, 7, 0, tr("双喷:"), 1074), "PRINTMODE", "bDoubleStrike", Shown::Check);
    bind(check(g, 8, 0, tr("单向:"), 1075), "PRINTMODE", "bUnidirection", Shown::Check);
    auto* dir = new QWidget(g->parentWidget());
    auto* dl = new QHBoxLayout(dir);
    dl->setContentsMargins(0, 0, 0, 0);
    auto* left = new QRadioButton(tr("向左"), dir);
    left->setObjectName(controlName(1102));
    auto* right = new QRadioButton(tr("向右"), dir);
    right->setObjectName(controlName(1103));
    dl->addWidget(left);
    dl->addWidget(right);
    g->addWidget(dir, 9, 0, 1, 2);
    toLeft_ = left;
    toRight_ = right;
    bind(list(g, 10, 0, tr("羽化:"), 1100, {tr("无"), tr("直线"), tr("波浪")}), "PRINTMODE", "bEdgeFeather",
         Shown::ListIndex);
    bind(number(g, 11, 0, tr("羽化大小:"), 1072, 0, 1000), "PRINTMODE", "uiFeatherSize", Shown::Number);
    bind(number(g, 12, 0, tr("波形值:"), 1126, 0, kMaxCount), "POSITION", "uiZeroToHead", Shown::Number);
    bind(list(g, 13, 0, tr("收纸模式:"), 1119, {tr("关闭"), tr("模式 1"), tr("模式 2")}), "PRINTMODE",
         "uiTakeupMode", Shown::ListIndex);

    // ---- Colour bar
    c1->addWidget(group(tr("彩条"), this, g));
    bind(check(g, 0, 0, tr("是/否 需要:"), 1076), "COLORBAR", "bEnable", Shown::Check);
    bind(list(g, 1, 0, tr("位置:"), 1288, {tr("左边"), tr("右边"), tr("两边")}), "COLORBAR", "uiPosition",
         Shown::ListIndex);
    bind(number(g, 2, 0, tr("距离(mm):"), 1079, 0, kMaxMM), "COLORBAR", "uiDistance", Shown::XMM);
    bind(number(g, 3, 0, tr("宽度(mm):"), 1085, 0, kMaxMM), "COLORBAR", "uiWidth", Shown::XMM);
    bind(number(g, 4, 0, tr("混色宽度(mm):"), 1109, 0, kMaxMM), "COLORBAR", "uiWidthMixed", Shown::XMM);
    bind(check(g, 5, 0, tr("与画面同时有效:"), 1195), "COLORBAR", "bSameHeightWithImage", Shown::Check);
    c1->addStretch();

    // ---- Footer
    c2->addWidget(group(tr("页脚"), this, g));
    bind(check(g, 0, 0, tr("是/否 需要:"), 1077), "FOOTER", "bEnable", Shown::Check);
    bind(check(g, 1, 0, tr("操作员:"), 1086), "FOOTER", "bUserName", Shown::Check);
    bind(text(g, 1, 1, QString(), 1095), "FOOTER", "csUserName", Shown::Text);
    bind(check(g, 2, 0, tr("文件名:"), 1087), "FOOTER", "bFileName", Shown::Check);
    bind(text(g, 2, 1, QString(), 1099), "FOOTER", "csFileName", Shown::Text);
    bind(check(g, 3, 0, tr("尺寸:"), 1088), "FOOTER", "bSize", Shown::Check);
    bind(check(g, 4, 0, tr("时间:"), 1089), "FOOTER", "bTime", Shown::Check);
    bind(check(g, 5, 0, tr("页码:"), 1090), "FOOTER", "bPageCode", Shown::Check);
    bind(check(g, 6, 0, tr("备注:"), 1091), "FOOTER", "bMemo", Shown::Check);
    bind(text(g, 6, 1, QString(), 1094), "FOOTER", "csMemo", Shown::Text);
    bind(text(g, 7, 0, tr("字体:"), 1101), "FOOTER", "csFont", Shown::Text);

    // ---- Media rolls
    c2->addWidget(group(tr("介质 (mm)"), this, g));
    g->addWidget(new QLabel(tr("起始"), g->parentWidget()), 0, 1);
    g->addWidget(new QLabel(tr("宽度"), g->parentWidget()), 0, 3);
    g->addWidget(new QLabel(tr("白边"), g->parentWidget()), 0, 5);
    const char* rolls[2][3] = {{"uiStartPos1", "uiWidth1", "uiMargin1"}, {"uiStartPos2", "uiWidth2", "uiMargin2"}};
    const int ids[2][3] = {{1022, 1049, 1023}, {1024, 1051, 1025}};
    for (int r = 0; r < 2; ++r) {
        g->addWidget(new QLabel(r == 0 ? tr("卷 1:") : tr("卷 2:"), g->parentWidget()), r + 1, 0);
        for (int k = 0; k < 3; ++k)
            bind(number(g, r + 1, 2 * k, QString(), ids[r][k], 0, kMaxMM), "MEDIA", rolls[r][k], Shown::XMM);
    }
    bind(check(g, 3, 0, tr("是/否 (卷 2)"), 1188), "MEDIA", "uiRoll2", Shown::Check);
    bind(number(g, 4, 0, tr("上下间隙:"), 1121, 0, kMaxMM), "MEDIA", "uiSpaceUpDown", Shown::YMM);
    bind(number(g, 4, 2, tr("左右间隙:"), 1122, 0, kMaxMM), "MEDIA", "uiSpaceLefRight", Shown::YMM);
    g->addWidget(new QLabel(tr("打印位置:"), g->parentWidget()), 5, 0);
    printPosition_ = new QLabel(g->parentWidget());
    printPosition_->setObjectName(controlName(1003));
    g->addWidget(printPosition_, 5, 1);

    // ---- Image split
    c2->addWidget(group(tr("图像分割 (mm)"), this, g));
    const int splitIds[4] = {1082, 1081, 1083, 1080};
    for (int i = 0; i < 4; ++i)
        split_[i] = number(g, i / 2, (i % 2) * 2, QStringLiteral("%1:").arg(i + 1), splitIds[i], 0, kMaxMM);
    c2->addStretch();

    // ---- Cleaning
    c3->addWidget(group(tr("清洗"), this, g));
    QStringList flash = {tr("关")};
    flash << numbers(1, 15);
    bind(check(g, 0, 0, tr("打印中自动清洗:"), 1096), "CLEANING", "bEnable", Shown::Check);
    bind(number(g, 1, 0, tr("清洗频率(Pass):"), 1097, 0, kMaxCount), "CLEANING", "uiFrequency", Shown::Number);
    bind(number(g, 2, 0, tr("清洗次数:"), 1098, 0, kMaxCount), "CLEANING", "uiTimes", Shown::Number);
    bind(list(g, 3, 0, tr("清洗方式:"), 1106,
              {tr("0 刮片清洗"), tr("1 闪喷"), tr("2 刮片清洗"), tr("3 压墨并刮墨"), tr("4 压墨后刮片清洗")}),
         "CLEANING", "uiMode", Shown::ListIndex);
    bind(list(g, 4, 0, tr("闲置闪喷频率:"), 1108, flash), "CLEANING", "uiFlashFrequency", Shown::ListIndex);
    bind(list(g, 5, 0, tr("清洗闪喷频率:"), 1125, flash), "CLEANING", "uiFlashFrequencyCleaning", Shown::ListIndex);
    bind(check(g, 6, 0, tr("复位后清洗:"), 1110), "CLEANING", "bSyringeEnable", Shown::Check);
    bind(check(g, 7, 0, tr("打印前清洗:"), 1118), "CLEANING", "bSyringeBeforePrinting", Shown::Check);
    bind(check(g, 8, 0, tr("打印后清洗:"), 1120), "CLEANING", "bSyringeAfterPrinting", Shown::Check);
    bind(check(g, 9, 0, tr("清洗中闪喷:"), 1123), "CLEANING", "bSyringeFlush", Shown::Check);
    bind(check(g, 10, 0, tr("复位后闪喷:"), 1124), "CLEANING", "uiFlashAtHome", Shown::Check);

    c3->addWidget(group(tr("压墨与刮片"), this, g));
    const char* timing[7] = {"uiSyringeUpPredelay", "uiSyringeTimes",   "uiSyringeTime", "uiSyringeDelay",
                             "uiSyringeDownPredelay", "uiSyringeWasteInk", "uiWipeTime"};
    const QString timingText[7] = {tr("上升前延时(ms):"), tr("压墨次数:"),       tr("压墨时间(ms):"), tr("压墨间隔(ms):"),
                                   tr("下降前延时(ms):"), tr("废墨时间(ms):"), tr("刮墨次数:")};
    for (int i = 0; i < 7; ++i)
        bind(number(g, i, 0, timingText[i], 1111 + i, 0, kMaxCount), "CLEANING", timing[i], Shown::Number);
    c3->addStretch();
}

void CPrintSettingDlg::load() {
    SettingsPage::load();
    pass_->clear();
    const PassModes modes(d_.csPassMode);
    pass_->addItems(modes.shown());
    pass_->setCurrentIndex(modes.shownIndexOf(d_.uiPass));
    passLoaded_ = pass_->currentText();
    static_cast<QRadioButton*>(d_.bUnidirectionToLeft ? toLeft_ : toRight_)->setChecked(true);
    // The first print position: where roll 1 starts plus its margin (shown only).
    printPosition_->setText(QString::number(d_.XPulseToMM(static_cast<int32_t>(d_.uiStartPos1 + d_.uiMargin1))));
    for (int i = 0; i < 3; ++i) split_[i]->SetValue(float(d_.XPulseToMM(splitValue(d_, i))));
    split_[3]->SetValue(float(d_.YPulseToMM(splitValue(d_, 3) * 4)));
    for (int i = 0; i < 4; ++i) splitLoaded_[i] = split_[i]->text();
}

bool CPrintSettingDlg::apply() {
    for (CNumEdit* e : split_)
        if (e->Verify() != CNumEdit::kValid) return false;
    if (!SettingsPage::apply()) return false;
    d_.bUnidirectionToLeft = static_cast<QRadioButton*>(toLeft_)->isChecked() ? 1 : 0;
    if (const int mode = PassModes::modeOf(pass_->currentText()); mode >= 0 && pass_->currentText() != passLoaded_) {
        d_.uiPass = unsigned(mode);
        passLoaded_ = pass_->currentText();
    }
    for (int i = 0; i < 4; ++i) {
        if (split_[i]->text() == splitLoaded_[i]) continue;
        const int32_t mm = static_cast<int32_t>(std::lround(split_[i]->GetValue()));
        splitValue(d_, i) = i < 3 ? d_.XMMToPulse(mm) : d_.YMMToPulse(mm) / 4;
        splitLoaded_[i] = split_[i]->text();
    }
    printPosition_->setText(QString::number(d_.XPulseToMM(static_cast<int32_t>(d_.uiStartPos1 + d_.uiMargin1))));
    return true;
}

} // namespace orvix

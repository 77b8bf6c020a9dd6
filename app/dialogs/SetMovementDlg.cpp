#include "dialogs/SetMovementDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

#include "core/DrvPrint.h"
#include "dialogs/NumEdit.h"
#include "frame/Commands.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace orvix {

namespace {

int nearest(double x) { return static_cast<int>(x + 0.5); }

QGroupBox* group(const QString& title, QWidget* parent, QGridLayout*& grid) {
    auto* g = new QGroupBox(title, parent);
    grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    return g;
}

void tell(const QString& text) { platform::messageBox(text.toStdString()); }

} // namespace

int speedShown(float rate, unsigned pcicardMode, int table) {
    if (pcicardMode == 1) return table == 0 ? 0 : nearest(double(rate) / table);
    return nearest(double(rate) * table);
}

bool speedStored(float rate, unsigned pcicardMode, double shown, int& stored) {
    if (pcicardMode == 1) {
        if (shown == 0) return false;
        stored = nearest(double(rate) / shown);
        return true;
    }
    if (rate == 0) return false;
    stored = nearest(shown / double(rate));
    return true;
}

CSetMovementDlg::CSetMovementDlg(CDrvPrint& d, QWidget* parent) : SettingsPage(d, parent) {
    setObjectName(QStringLiteral("movementPage"));
    auto* top = new QHBoxLayout(this);
    auto* c1 = new QVBoxLayout, *c2 = new QVBoxLayout;
    top->addLayout(c1);
    top->addLayout(c2);
    QGridLayout* g = nullptr;

    c1->addWidget(group(tr("X 速度 (车头方向)"), this, g));
    for (int i = 0; i < 5; ++i) xSpeed_[i] = number(g, i, 0, QStringLiteral("%1:").arg(i), 1121 + i, 0, 100000);
    c1->addWidget(group(tr("Y 速度 (走料方向)"), this, g));
    for (int i = 0; i < 5; ++i) ySpeed_[i] = number(g, i, 0, QStringLiteral("%1:").arg(i), 1126 + i, 0, 100000);
    c1->addStretch();

    c2->addWidget(group(tr("方向与编码器"), this, g));
    bind(check(g, 0, 0, tr("反向移动(X向)"), 1113), "MOVEMENT", "bReverseMoveX", Shown::Check);
    bind(check(g, 1, 0, tr("反向移动(Y向)"), 1114), "MOVEMENT", "bReverseMoveY", Shown::Check);
    bind(check(g, 2, 0, tr("左右行程开关反向"), 1115), "MOVEMENT", "bReverseLeftRightLSW", Shown::Check);
    bind(number(g, 3, 0, tr("编码器偏移:"), 1096, -100000, 100000), "MOVEMENT", "iEncoderShiftNumber", Shown::Number);
    bind(number(g, 4, 0, tr("X 加速时间(ms):"), 1276, 0, 100000), "MOVEMENT", "iXAccTime", Shown::Number);
    bind(number(g, 5, 0, tr("Y 加速时间(ms):"), 1277, 0, 100000), "MOVEMENT", "iYAccTime", Shown::Number);
    bind(number(g, 6, 0, tr("喷头分频:"), 1099, 0, 15), "MOVEMENT", "iFireFrequency", Shown::Number);
    bind(number(g, 7, 0, tr("编码器起始值:"), 1100, 0, 131071), "MOVEMENT", "iXEncoderInitial", Shown::Number);

    c2->addWidget(group(tr("步距校正"), this, g));
    bind(number(g, 0, 0, tr("X 步距:"), 1185, 0.000001f, 100000, 6, 0.001f), "MOVEMENT", "fXStepToMM", Shown::Number);
    bind(number(g, 1, 0, tr("Y 步距:"), 1186, 0.000001f, 100000, 6, 0.001f), "MOVEMENT", "fYStepToMM", Shown::Number);
    number(g, 0, 2, tr("实测 X (mm):"), 1187, 0, 100000, 1, 0.1f)->SetValue(kXCalibrationMM);
    number(g, 1, 2, tr("实测 Y (mm):"), 1188, 0, 100000, 1, 0.1f)->SetValue(kYCalibrationMM);
    auto button = [&](int id, const QString& text, int row, int col, void (CSetMovementDlg::*fn)()) {
        auto* b = new QPushButton(text, g->parentWidget());
        b->setObjectName(controlName(id));
        g->addWidget(b, row, col);
        connect(b, &QPushButton::clicked, this, fn);
    };
    button(1086, tr("移动"), 0, 4, &CSetMovementDlg::moveX);
    button(1087, tr("计算"), 0, 5, &CSetMovementDlg::calculateX);
    button(1088, tr("移动"), 1, 4, &CSetMovementDlg::moveY);
    button(1089, tr("计算"), 1, 5, &CSetMovementDlg::calculateY);
    bind(number(g, 2, 0, tr("最大长度:"), 1189, 0, 65535), "POSITION", "uiMovingLength", Shown::Number);
    button(1194, tr("取最大长度"), 2, 2, &CSetMovementDlg::maxLength);
    c2->addStretch();
}

CNumEdit* CSetMovementDlg::field(int id) const { return findChild<CNumEdit*>(controlName(id)); }

void CSetMovementDlg::load() {
    SettingsPage::load();
    for (int i = 0; i < 5; ++i) {
        xSpeed_[i]->SetValue(float(speedShown(d_.fXMotorRate, d_.uiPcicardMode, d_.XSpeedPause[i])));
        ySpeed_[i]->SetValue(float(speedShown(d_.fYMotorRate, d_.uiPcicardMode, d_.YSpeedPause[i])));
        speedLoaded_[i] = xSpeed_[i]->text();
        speedLoaded_[5 + i] = ySpeed_[i]->text();
    }
}

bool CSetMovementDlg::apply() {
    // The speeds first: a refused one leaves every setting as it was.
    int x[5], y[5];
    for (int i = 0; i < 5; ++i) {
        x[i] = d_.XSpeedPause[i];
        y[i] = d_.YSpeedPause[i];
    }
    for (int i = 0; i < 10; ++i) {
        CNumEdit* e = i < 5 ? xSpeed_[i] : ySpeed_[i - 5];
        if (e->text() == speedLoaded_[i]) continue;
        if (e->Verify() != CNumEdit::kValid) return false;
        const float rate = i < 5 ? d_.fXMotorRate : d_.fYMotorRate;
        if (!speedStored(rate, d_.uiPcicardMode, e->GetValue(), i < 5 ? x[i] : y[i - 5])) {
            tell(tr("速度不能为 0。"));
            e->setFocus();
            e->selectAll();
            return false;
        }
    }
    for (int id : {1185, 1186}) {
        CNumEdit* e = field(id);
        if (e->GetValue() <= 0.0f) {
            tell(tr("步距不能为 0。"));
            e->setFocus();
            return false;
        }
    }
    if (!SettingsPage::apply()) return false;
    for (int i = 0; i < 5; ++i) {
        d_.XSpeedPause[i] = x[i];
        d_.YSpeedPause[i] = y[i];
        speedLoaded_[i] = xSpeed_[i]->text();
        speedLoaded_[5 + i] = ySpeed_[i]->text();
    }
    // The fire divider in force follows its setting, as after loading the movement settings.
    d_.uiFireDivider = static_cast<unsigned>(d_.iFireFrequency);
    d_.MOVSetParamsMovement();
    return true;
}

CSetMovementDlg::~CSetMovementDlg() {
    // The machine's work refers to this page: it ends before the page does.
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void CSetMovementDlg::runOnMachine(std::function<void()> work, std::function<void()> done) {
    if (busy_) return;
    if (!engineReady(d_)) {
        // A job owns the carriage and the media now.
        tell(tr("正在打印，机器不能移动。"));
        return;
    }
    busy_ = true;
    for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(false);
    QThread* t = QThread::create(std::move(work));
    thread_ = t;
    connect(t, &QThread::finished, this, [this, t, done = std::move(done)] {
        t->deleteLater();
        thread_ = nullptr;
        busy_ = false;
        for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(true);
        if (done) done();
        emit machineDone();
    });
    t->start();
}

void CSetMovementDlg::moveX() {
    const float mmPerStep = d_.fMMPerXStep;
    if (!(mmPerStep > 0.0f)) return;
    auto moved = std::make_shared<long long>(0);
    runOnMachine(
        [this, mmPerStep, moved] {
            CDrvPrint& d = d_;
            // The run needs the whole metre ahead of it, and an encoder set up by homing: it starts
            // from the home end.
            d.PRNRePosition(1);
            const long long p = d.MOVGetXPosition();
            const int steps = nearest(kXCalibrationMM / double(mmPerStep));
            const int away = d.bRepositionLeft ? 0 : 1;
            d.MOVMoveX(away, 0, steps, 1);
            *moved = std::llabs(p - static_cast<long long>(d.MOVGetXPosition()));
            // The position model follows the carriage.
            const long long target = static_cast<long long>(d.uiXTarget) + (away ? -steps : steps);
            d.uiXTarget = static_cast<unsigned>(std::max(0LL, target));
        },
        [this, mmPerStep, moved] { field(1187)->SetValue(float(double(*moved) * mmPerStep)); });
}

void CSetMovementDlg::calculateX() {
    const float measured = field(1187)->GetValue();
    if (measured <= 0.0f) {
        tell(tr("实测距离不能为 0。"));
        return;
    }
    const float v = float(double(kXCalibrationMM) / measured * field(1185)->GetValue());
    d_.fXStepToMM = v;
    for (Binding& b : bindings_)
        if (b.widget == field(1185)) show(b);
}

void CSetMovementDlg::moveY() {
    const float mmPerStep = d_.fMMPerYStep;
    if (!(mmPerStep > 0.0f)) return;
    runOnMachine([this, mmPerStep] { d_.MOVMoveY(0, 0, nearest(kYCalibrationMM / double(mmPerStep)), 1); }, {});
}

void CSetMovementDlg::calculateY() {
    const float measured = field(1188)->GetValue();
    if (measured <= 0.0f) {
        tell(tr("实测距离不能为 0。"));
        return;
    }
    const float v = float(double(kYCalibrationMM) / measured * field(1186)->GetValue());
    d_.fYStepToMM = v;
    for (Binding& b : bindings_)
        if (b.widget == field(1186)) show(b);
}

void CSetMovementDlg::maxLength() {
    auto result = std::make_shared<int>(-1);
    runOnMachine(
        [this, result] {
            CDrvPrint& d = d_;
            d.PRNRePosition(1);
            const long long p = d.MOVGetXPosition();
            const int away = d.bRepositionLeft ? 0 : 1;
            d.MOVMoveX(away, 0, kFarMoveSteps, 0);
            platform::sleepMs(kFarMoveWaitMs);
            bool reached = false;
            long long q = p;
            for (int polls = 0; polls < kFarPolls; ++polls) {
                if (d.MOVCheckLeftLSW(0) || d.MOVCheckRightLSW(0)) {
                    q = d.MOVGetXPosition();
                    d.MOVStopMoveX(); // rather than push on against the switch
                    reached = true;
                    break;
                }
                if (!d.MOVCheckIfMoveX()) {
                    q = d.MOVGetXPosition();
                    break;
                }
                platform::sleepMs(kFarPollMs);
            }
            const long long backOff = d.bRepositionLeft ? d.uiRepositionRight : d.uiRepositionLeft;
            const long long travel = std::llabs(q - p) - backOff;
            if (reached && travel > 0 && travel < 65535) {
                d.uiMovingLength = static_cast<unsigned>(travel);
                *result = static_cast<int>(travel);
            }
            d.MOVMoveX(away ? 0 : 1, 0, kBackOffSteps, 1);
            d.PRNRePosition(1);
        },
        [this, result] {
            lastMaxLength_ = *result;
            if (*result < 0) {
                tell(tr("取最大长度失败：车头没有到达行程开关。"));
                return;
            }
            for (Binding& b : bindings_)
                if (b.widget == field(1189)) show(b);
        });
}

} // namespace orvix

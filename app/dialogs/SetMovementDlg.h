#pragma once
// The movement page "运动系统设置" (basic parameters only): speed tables, reverse switches, encoder,
// acceleration, fire divider, step sizes with their calibration moves, and the travel length.
#include <functional>

#include "dialogs/SettingsPage.h"

class QPushButton;
class QThread;

namespace orvix {

// A speed table entry as the page shows it, and back: generation 1 cards (uiPcicardMode 1) take a
// clock divider (rate / speed), the others a speed (rate x speed). nearest(x) adds 0.5 and truncates.
int speedShown(float rate, unsigned pcicardMode, int table);
// False when the conversion would divide by zero (a shown speed of 0 on a generation 1 card, or a
// rate of 0); `stored` is then unchanged.
bool speedStored(float rate, unsigned pcicardMode, double shown, int& stored);

class CSetMovementDlg : public SettingsPage {
    Q_OBJECT
public:
    explicit CSetMovementDlg(CDrvPrint& d, QWidget* parent = nullptr);
    ~CSetMovementDlg() override;
    void load() override;
    bool apply() override;

    // The machine moves run on a thread of their own; the page's buttons are off meanwhile.
    bool busy() const { return busy_; }
    // Nominal calibration distances, mm.
    static constexpr int kXCalibrationMM = 1000;
    static constexpr int kYCalibrationMM = 100;
    // The travel measurement: the far move, the wait before polling, and the polls.
    static constexpr int kFarMoveSteps = 83000;
    static constexpr int kFarMoveWaitMs = 2000;
    static constexpr int kFarPollMs = 20;
    static constexpr int kFarPolls = 2500;
    static constexpr int kBackOffSteps = 1000;

    // The buttons' work (also what the tests call).
    void moveX();        // 1086
    void calculateX();   // 1087
    void moveY();        // 1088
    void calculateY();   // 1089
    void maxLength();    // 1194

signals:
    void machineDone();

private:
    void runOnMachine(std::function<void()> work, std::function<void()> done);
    CNumEdit* field(int id) const;

    CNumEdit* xSpeed_[5];
    CNumEdit* ySpeed_[5];
    QString speedLoaded_[10];
    bool busy_ = false;
    QThread* thread_ = nullptr;
    int lastMaxLength_ = 0;
};

} // namespace orvix

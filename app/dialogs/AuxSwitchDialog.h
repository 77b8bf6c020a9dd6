#pragma once
// "辅助功能开关": the machine's switches and sensors as check marks, read live ten times a second,
// and its outputs (purge, cleaner, UV lamps and shutters, the station cover, ink suction) switched
// by clicking them.
#include <QCheckBox>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <map>

class CDrvPrint;

namespace orvix {

class AuxSwitchDialog : public QDialog {
    Q_OBJECT
public:
    // `emergency`: whether the emergency button is pressed, as last sampled (its check waits
    // between reads while the button is held, so the dialog does not read it itself).
    AuxSwitchDialog(CDrvPrint& d, std::function<bool()> emergency, QWidget* parent = nullptr);

    // The check box of a control identifier (1309 ...).
    QCheckBox* box(int id) const;
    // Sets every check mark from the machine now (the timer does it every 100 ms).
    void refresh();
    static constexpr int kPeriodMs = 100;

private:
    QCheckBox* add(int id, const QString& text, bool output);
    void clicked(int id, bool on);

    CDrvPrint& d_;
    std::function<bool()> emergency_;
    std::map<int, QCheckBox*> boxes_;
    QTimer timer_;
};

} // namespace orvix

#pragma once
// The print-mode page "打印模式" of the settings sheet: pass mode, speeds, copies, mirrors, feathering,
// take-up, colour bar, footer, rolls and gaps, cleaning and purge timing.
#include <cstdint>

#include "dialogs/SettingsPage.h"

class QLabel;

namespace orvix {

// The four image-split values the page edits: X steps for the first three, the fourth in units of
// four Y steps. The engine has no setting for them yet; they live as long as the program runs.
struct ImageSplit {
    int32_t value[4] = {};
};
ImageSplit& imageSplit();

class CPrintSettingDlg : public SettingsPage {
    Q_OBJECT
public:
    explicit CPrintSettingDlg(CDrvPrint& d, QWidget* parent = nullptr);
    void load() override;
    bool apply() override;

private:
    QWidget* toLeft_;
    QWidget* toRight_;
    QLabel* printPosition_;
    CNumEdit* split_[4];
    QString splitLoaded_[4];
};

} // namespace orvix

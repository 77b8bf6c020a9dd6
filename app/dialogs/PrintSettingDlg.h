#pragma once
// The print-mode page "打印模式" of the settings sheet: pass mode, speeds, copies, mirrors, feathering,
// take-up, colour bar, footer, rolls and gaps, cleaning and purge timing.
#include <cstdint>

#include "dialogs/SettingsPage.h"

class QComboBox;
class QLabel;

namespace orvix {

class CPrintSettingDlg : public SettingsPage {
    Q_OBJECT
public:
    explicit CPrintSettingDlg(CDrvPrint& d, QWidget* parent = nullptr);
    void load() override;
    bool apply() override;

    // The image-split values of the engine (ImageSplit), by place on the page.
    static int32_t& splitValue(CDrvPrint& d, int i);

private:
    QComboBox* pass_;
    QString passLoaded_;
    QWidget* toLeft_;
    QWidget* toRight_;
    QLabel* printPosition_;
    CNumEdit* split_[4];
    QString splitLoaded_[4];
};

} // namespace orvix

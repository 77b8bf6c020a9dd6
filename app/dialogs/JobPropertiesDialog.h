#pragma once
// "打印任务属性": the values of one queue row, editable: pass mode, speed, copies, margin, the
// ink level of each channel, the pass to start at, mirror printing and whether the media is fed.
#include <QDialog>

#include <vector>

#include "queue/QueueRow.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QSpinBox;

namespace orvix {

class JobPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // `passModes`: the modes the pass list offers; a row whose mode the list leaves out keeps it
    // as an extra entry, so opening and confirming never changes the row's mode.
    JobPropertiesDialog(const QueueRow& row, const PassModes& passModes, QWidget* parent = nullptr);

    // The row with the dialog's values.
    QueueRow row() const;

    QComboBox* passList() const { return pass_; }
    QComboBox* speedList() const { return speed_; }
    QSpinBox* copies() const { return copies_; }
    QSpinBox* margin() const { return margin_; }
    QSpinBox* startPass() const { return startPass_; }
    QCheckBox* mirror() const { return mirror_; }
    QCheckBox* mediaFed() const { return fed_; }
    QComboBox* inkList(int channel) const { return ink_.at(size_t(channel)); }
    int channels() const { return int(ink_.size()); }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    QueueRow row_;
    QComboBox* pass_;
    QComboBox* speed_;
    QSpinBox* copies_;
    QSpinBox* margin_;
    QSpinBox* startPass_;
    QCheckBox* mirror_;
    QCheckBox* fed_;
    std::vector<QComboBox*> ink_;
    QDialogButtonBox* buttons_;
};

} // namespace orvix

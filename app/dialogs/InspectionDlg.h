#pragma once
// The start-up inspection "开机自检": the operator picks machine self-tests, "开始" runs them on a
// worker, and each result appears in its check box's caption; the status line follows the tests.
#include <QDialog>

#include <array>

#include "dialogs/InspectionWorker.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace orvix {

class CInspectionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CInspectionDlg(CDrvPrint& d, QWidget* parent = nullptr);
    ~CInspectionDlg() override;

    QCheckBox* testBox(int test) const { return tests_[test]; }
    QLabel* statusLine() const { return status_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* okButton() const { return ok_; }
    bool running() const { return worker_ != nullptr; }

    void start();
    void done(int r) override;

signals:
    void inspectionDone();
    // The worker's progress, on the GUI thread: a line of status, a test ended with its caption.
    void status(const QString& text);
    void tested(int test, const QString& caption);

private:
    CDrvPrint& d_;
    std::array<QCheckBox*, kInspectionTests> tests_{};
    std::array<QCheckBox*, 6> spare_{};
    QLabel* status_;
    QPushButton* start_;
    QPushButton* ok_;
    InspectionWorker* worker_ = nullptr;
};

} // namespace orvix

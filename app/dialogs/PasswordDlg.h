#pragma once
// The engineer password dialog "输入工程师口令" that guards the basic parameters.
#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace orvix {

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPasswordDlg(QWidget* parent = nullptr);
    QString password() const;
    QLineEdit* edit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }

    // The engineer password, compared exactly.
    static bool isEngineerPassword(const QString& text);

    // When set, the password is asked from it instead of the dialog (tests, where nobody types):
    // it returns QDialog::Accepted with the text typed, or QDialog::Rejected.
    static std::function<int(QString& typed)>& scripted();

private:
    QLineEdit* edit_;
    QPushButton* ok_;
};

} // namespace orvix
